/* Includes every public header of the toolkit through the umbrella header
 * and calls into the installed library through its C interface. */
#define _POSIX_C_SOURCE 200809L /* mkstemp, fdopen */
#include <lexkit/lexkit.h>
#include <stdio.h>
#include <stdlib.h>
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
  {
    /* A bigram model through the scoring API: P(y | x) = -0.1; P(x | x)
     * backs off: bow(x) + P(x) = -0.2 + -0.3, back-off case 1. */
    static const char arpa[] =
        "\\data\\\nngram 1=2\nngram 2=1\n\\1-grams:\n-0.3 x -0.2\n-0.4 y\n"
        "\\2-grams:\n-0.1 x y\n\\end\\\n";
    char path[] = "/tmp/consumer_model_XXXXXX";
    char error[200];
    lexkit_model *lm;
    wordid_t x;
    int bo_case = -1;
    int fd = mkstemp(path);
    FILE *fp = fd >= 0 ? fdopen(fd, "w") : NULL;
    if (fp == NULL || fputs(arpa, fp) < 0 || fclose(fp) != 0) return 5;
    if (lexkit_model_open_binary(path, error, sizeof error) != NULL) return 6;
    if (strstr(error, "not a lexkit binary model") == NULL) return 7;
    lm = lexkit_model_open_arpa(path, error, sizeof error);
    remove(path);
    if (lm == NULL) return 8;
    x = lexkit_model_index(lm, "x", 1);
    if (lexkit_model_order(lm) != 2 || x != 1 || !lexkit_model_is_closed(lm)) return 9;
    if (lexkit_model_prob(lm, &x, 1, x, &bo_case) > -0.49 || bo_case != 1) return 10;
    lexkit_model_close(lm);
  }
  return 0;
}
