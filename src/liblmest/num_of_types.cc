// Type counts: how many distinct words follow an entry of a level. The
// successors of entry j of level k occupy level k+1 from the full position
// of entry j up to that of entry j+1 (or to the end of level k+1 for the
// last entry).
#include <algorithm>

#include "lexkit/ngram.h"
#include "liblmest/type_count.h"

namespace lexkit {

int64_t CountTypes(int k, int ind, const ng_t *ng) {
  const auto position = static_cast<ngram_sz_t>(ind);
  const bool last = k > 0 ? position >= ng->num_kgrams[k] - 1
                          : position >= ng->vocab_size;
  const int64_t start = get_full_index(ng->ind[k][ind], ng->ptr_table[k],
                                       ng->ptr_table_size[k], ind);
  const int64_t end =
      last ? ng->num_kgrams[k + 1]
           : get_full_index(ng->ind[k][ind + 1], ng->ptr_table[k],
                            ng->ptr_table_size[k], ind + 1);
  return end - start;
}

}  // namespace lexkit

// The exported count is 16 bits wide: a context with more followers reports
// 65535 (callers that need the exact number use the full-width count).
extern "C" unsigned short num_of_types(int k, int ind, ng_t *ng) {
  const int64_t types = lexkit::CountTypes(k, ind, ng);
  return static_cast<unsigned short>(std::clamp<int64_t>(types, 0, 65535));
}
