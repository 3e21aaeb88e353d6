// Short indices: a full position in a level is stored as its remainder
// modulo 65000, and a per-level pointer table records the first entry whose
// position lies in each block of 65000.
#include <algorithm>
#include <stdint.h>

#include "lexkit/ngram.h"

namespace {
constexpr int kBlockSize = 65000;
}

extern "C" index__t new_index(ngram_sz_t full_index, ptr_tab_t *ind_table,
                              ptr_tab_sz_t *ind_table_size,
                              ngram_sz_t position_in_list) {
  // Entries arrive in order, so at most one new block starts per call.
  const ptr_tab_sz_t blocks = *ind_table_size;
  if (full_index >= static_cast<ngram_sz_t>(blocks) * kBlockSize) {
    ind_table[blocks] = static_cast<ptr_tab_t>(position_in_list);
    *ind_table_size = static_cast<ptr_tab_sz_t>(blocks + 1);
  }
  return static_cast<index__t>(full_index % kBlockSize);
}

extern "C" int get_full_index(index__t short_index, ptr_tab_t *ind_table,
                              ptr_tab_sz_t ind_table_size,
                              int position_in_list) {
  if (ind_table_size == 0) return static_cast<int>(short_index);
  // The block is that of the last table entry at or before the position;
  // a position before the first entry belongs to block 0.
  const ptr_tab_t *begin = ind_table;
  const ptr_tab_t *after =
      std::upper_bound(begin, begin + ind_table_size, position_in_list);
  const auto block =
      static_cast<uint32_t>(after == begin ? 0 : after - begin - 1);
  return static_cast<int>(short_index + block * kBlockSize);
}
