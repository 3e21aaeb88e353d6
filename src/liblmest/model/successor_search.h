// Finding a word among the successors of a trie entry: a run of distinct
// word ids in ascending order.
#ifndef LEXKIT_LIBLMEST_MODEL_SUCCESSOR_SEARCH_H
#define LEXKIT_LIBLMEST_MODEL_SUCCESSOR_SEARCH_H

#include <cstdint>

namespace lexkit {
namespace model {

constexpr uint32_t kAbsent = UINT32_MAX;

// The position of `id` in ids[lo, hi), or kAbsent.
//
// Interpolation search: ids are spread fairly evenly over the vocabulary,
// so the guess "as far into the run as id lies between its first and last
// ids" usually lands within a few places, and a successor list of
// thousands takes two or three probes instead of a dozen. Every guess lies
// strictly inside the run, so each probe shrinks it; after a few guesses
// that miss (a lopsided run), halving takes over so that a search never
// costs more than a binary search's probes and a handful. Short runs (a
// cache line of ids) are scanned.
inline uint32_t FindSuccessor(const uint32_t *ids, uint32_t lo, uint32_t hi,
                              uint32_t id) {
  constexpr uint32_t kScan = 16;
  constexpr int kGuesses = 4;
  for (int round = 0; hi - lo > kScan; ++round) {
    const uint32_t first = ids[lo];
    const uint32_t last = ids[hi - 1];
    if (id <= first) return id == first ? lo : kAbsent;
    if (id >= last) return id == last ? hi - 1 : kAbsent;
    // first < id < last, so the guess lies in [lo, hi - 2].
    const uint32_t at =
        round < kGuesses
            ? lo + static_cast<uint32_t>(uint64_t{id - first} * (hi - 1 - lo) /
                                         (last - first))
            : lo + (hi - lo) / 2;
    const uint32_t seen = ids[at];
    if (seen == id) return at;
    if (seen < id) {
      lo = at + 1;
    } else {
      hi = at;
    }
  }
  for (; lo < hi; ++lo)
    if (ids[lo] >= id) return ids[lo] == id ? lo : kAbsent;
  return kAbsent;
}

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_SUCCESSOR_SEARCH_H
