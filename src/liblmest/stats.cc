// The C entry points of stats.h that the n-gram layer implements, and the
// stop on a corrupt id n-gram input.
#include "lexkit/stats.h"

#include "libs/ngrams/ngram_stats.h"

extern "C" void show_idngram_nlines(int nlines, int verbosity) {
  lexkit::ShowNgramProgress(nlines, verbosity);
}

extern "C" void show_idngram_corruption_mesg(void) {
  quit(-1,
       "Error : the id n-gram input is corrupt: it holds a count of 0 or "
       "less.\n");
}

extern "C" void display_fof_array(ngram_sz_t *num_kgrams, fof_t **fof_array,
                                  fof_sz_t fof_size, FILE *fp, int n) {
  lexkit::PrintFofStatistics(num_kgrams, fof_array, fof_size, fp, n);
}
