// Progress marks of the text-to-n-gram buffer and the frequency-of-frequency
// report of the id n-gram merge. The estimator's C entry points of the same
// names (show_idngram_nlines, display_fof_array) forward here.
#ifndef LEXKIT_LIBS_NGRAMS_NGRAM_STATS_H
#define LEXKIT_LIBS_NGRAMS_NGRAM_STATS_H

#include <stdint.h>
#include <stdio.h>

#include "lexkit/general.h"

namespace lexkit {

// A "." every 20,000 n-grams and a line end every 1,000,000, at verbosity 2
// or more. Inline: the text-to-n-gram buffer asks once per window.
inline void ShowNgramProgress(int nlines, int verbosity) {
  if (verbosity < 2 || nlines <= 0) return;
  if (nlines % 20000 == 0) fputc('.', stderr);
  if (nlines % 1000000 == 0) fputc('\n', stderr);
}

// The number of distinct n-grams of each order 2..n and their tallies for
// the counts 1..fof_size. Row m-2 belongs to order m.
void PrintFofStatistics(const int64_t *num_kgrams, fof_t *const *fof_array,
                        uint32_t fof_size, FILE *fp, int n);

}  // namespace lexkit

#endif  // LEXKIT_LIBS_NGRAMS_NGRAM_STATS_H
