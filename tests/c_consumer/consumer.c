/* Includes every public header of the toolkit through the umbrella header
 * and calls into the installed library through its C interface. */
#include <lexkit/lexkit.h>
#include <string.h>

int main(void) {
  struct hash_table table;
  ng_t model;
  ngram gram;
  int count_table[10] = {0};
  if (nearest_prime(8) != 11) return 1;
  if (hash("abc", 1000003) != 403683) return 2;
  new_hashtable(&table, 7);
  update(&table, "a", 0);
  memset(&model, 0, sizeof model);
  memset(&gram, 0, sizeof gram);
  model.n = 3;
  gram.n = model.n;
  if (lookup_index_of(count_table, 10, 3) != 3) return 3;
  if (lookup_index_of(count_table, 10, 500) != 9) return 4;
  pc_message(0, 1, "not shown\n");
  {
    buildlex_options options;
    buildlex_default_options(&options);
    if (options.n != 3 || options.arpa_filename != NULL) return 5;
  }
  {
    disc_meth_t *method = disc_meth_init(1);
    if (method == NULL || method->type != 1) return 3;
  }
  return 0;
}
