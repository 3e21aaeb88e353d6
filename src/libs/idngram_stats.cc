// Progress marks of the text-to-n-gram buffer, the corrupt-input stop, and
// the frequency-of-frequency report of the id n-gram merge.
#include <inttypes.h>
#include <stdio.h>

#include "general.h"
#include "pc_general.h"
#include "stats.h"

extern "C" void show_idngram_nlines(int nlines, int verbosity) {
  if (verbosity < 2 || nlines <= 0) return;
  if (nlines % 20000 == 0) fputc('.', stderr);
  if (nlines % 1000000 == 0) fputc('\n', stderr);
}

extern "C" void show_idngram_corruption_mesg(void) {
  quit(-1,
       "Error : the id n-gram input is corrupt: it holds a count of 0 or "
       "less.\n");
}

extern "C" void display_fof_array(ngram_sz_t *num_kgrams, fof_t **fof_array,
                                  fof_sz_t fof_size, FILE *fp, int n) {
  fprintf(fp, "\nFrequency of frequency statistics:\n");
  for (int order = 2; order <= n; ++order) {
    const int row = order - 2;
    fprintf(fp, "%d-grams: %" PRId64 " distinct\n", order, num_kgrams[row]);
    fprintf(fp, "    count    %d-grams\n", order);
    for (fof_sz_t c = 1; c <= fof_size; ++c)
      fprintf(fp, "%9u %10d\n", c, fof_array[row][c]);
  }
}
