// The frequency-of-frequency report of the id n-gram merge.
#include "libs/ngrams/ngram_stats.h"

#include <inttypes.h>

namespace lexkit {

void PrintFofStatistics(const int64_t *num_kgrams, fof_t *const *fof_array,
                        uint32_t fof_size, FILE *fp, int n) {
  fprintf(fp, "\nFrequency of frequency statistics:\n");
  for (int order = 2; order <= n; ++order) {
    const int row = order - 2;
    fprintf(fp, "%d-grams: %" PRId64 " distinct\n", order, num_kgrams[row]);
    fprintf(fp, "    count    %d-grams\n", order);
    for (uint32_t c = 1; c <= fof_size; ++c)
      fprintf(fp, "%9u %10d\n", c, fof_array[row][c]);
  }
}

}  // namespace lexkit
