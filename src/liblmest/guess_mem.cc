// Divides a memory budget (in millions of bytes) evenly among the levels 2
// to n of a model and sets their table sizes from it.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "lexkit/ngram.h"
#include "lexkit/pc_general.h"

namespace {

// Entries of `entry_size` bytes that one level's share of the budget holds.
// Computed in 64 bits, so that any budget works, and kept within the range
// of a table size.
table_size_t LevelSize(int total_mem, int entry_size, int n) {
  if (entry_size <= 0)
    quit(-1, "guess_mem: an n-gram must take at least one byte, not %d.\n",
         entry_size);
  const int64_t size = int64_t{total_mem} * 1000000 / (int64_t{entry_size} * (n - 1));
  return static_cast<table_size_t>(std::clamp<int64_t>(
      size, 0, std::numeric_limits<table_size_t>::max()));
}

}  // namespace

extern "C" void guess_mem(int total_mem, int middle_size, int end_size, int n,
                          table_size_t *table_sizes, int verbosity) {
  // A model of order below 2 has no level for this routine to size.
  if (n < 2) return;
  const table_size_t middle = n > 2 ? LevelSize(total_mem, middle_size, n) : 0;
  const table_size_t end = LevelSize(total_mem, end_size, n);
  for (int k = 2; k <= n; ++k) {
    table_sizes[k - 1] = k < n ? middle : end;
    pc_message(static_cast<unsigned short>(verbosity), 2,
               "Allocated space for %d %d-grams.\n", table_sizes[k - 1], k);
  }
}
