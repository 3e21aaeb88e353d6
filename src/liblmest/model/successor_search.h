// Finding a word among the successors of a trie entry: a run of distinct
// word ids in ascending order, within a level's array of ids.
#ifndef LEXKIT_LIBLMEST_MODEL_SUCCESSOR_SEARCH_H
#define LEXKIT_LIBLMEST_MODEL_SUCCESSOR_SEARCH_H

#include <cstdint>
#include <vector>

namespace lexkit {
namespace model {

constexpr uint32_t kAbsent = UINT32_MAX;

// Every kSampleStride-th id of a level (samples[j] == ids[j * kSampleStride]),
// 1/32 of the level's size: small enough to stay in the cache, where the
// level's ids do not.
constexpr uint32_t kSampleShift = 5;
constexpr uint32_t kSampleStride = 1u << kSampleShift;

inline std::vector<uint32_t> SampleIds(const uint32_t *ids, uint32_t count) {
  std::vector<uint32_t> samples((count + kSampleStride - 1) >> kSampleShift);
  for (size_t j = 0; j < samples.size(); ++j) samples[j] = ids[j << kSampleShift];
  return samples;
}

// Halves [*a, *b) of ascending values until it spans at most `width`
// places, keeping inside it the last place whose value is not above id
// (when there is one).
inline void Halve(const uint32_t *values, uint32_t id, uint32_t width, uint32_t *a,
                  uint32_t *b) {
  while (*b - *a > width) {
    const uint32_t mid = *a + (*b - *a) / 2;
    if (values[mid] <= id) {
      *a = mid;
    } else {
      *b = mid;
    }
  }
}

// Narrows the run ids[*lo, *hi) to the part that can hold `id`: a long run
// (a frequent word's successors run into thousands) to the one block of
// kSampleStride ids (two cache lines) between two of its samples, or to its
// head before its first sample, by a binary search of the samples that fall
// inside it, which are ascending too and mostly in the cache. A short run
// stays as it is.
inline void NarrowToBlock(const uint32_t *samples, uint32_t id, uint32_t *lo, uint32_t *hi) {
  if (*hi - *lo <= 2 * kSampleStride) return;
  const uint32_t first = (*lo + kSampleStride - 1) >> kSampleShift;
  const uint32_t last = (*hi - 1) >> kSampleShift;  // first < last here
  if (id < samples[first]) {
    *hi = first << kSampleShift;
    return;
  }
  // The last sample in [first, last] that is not above id.
  uint32_t a = first, b = last + 1;
  Halve(samples, id, 1, &a, &b);
  *lo = a << kSampleShift;
  if (*hi - *lo > kSampleStride) *hi = *lo + kSampleStride;
}

// The position of `id` in the short run ids[lo, hi), or kAbsent.
inline uint32_t FindInBlock(const uint32_t *ids, uint32_t lo, uint32_t hi, uint32_t id) {
  Halve(ids, id, 8, &lo, &hi);
  for (; lo < hi; ++lo)
    if (ids[lo] >= id) return ids[lo] == id ? lo : kAbsent;
  return kAbsent;
}

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_SUCCESSOR_SEARCH_H
