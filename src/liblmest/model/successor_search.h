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

// The last of n >= 1 ascending values that is not above `id`, or the first
// when every one is. Each halving step picks its half by a comparison that
// compiles to a conditional move: the steps form one chain of loads, with
// none of the mispredicted branches that a search deciding on the data it
// reads would take about every other step.
inline const uint32_t *LastNotAbove(const uint32_t *values, uint32_t n, uint32_t id) {
  while (n > 1) {
    const uint32_t half = n / 2;
    values = values[half] <= id ? values + half : values;
    n -= half;
  }
  return values;
}

// Narrows the run ids[*lo, *hi) to the part that can hold `id`: a long run
// (a frequent word's successors run into thousands) to the one block of
// kSampleStride ids (two cache lines) between two of its samples, or to its
// head before its first sample, by a search of the samples that fall
// inside it, which are ascending too and mostly in the cache. A short run
// stays as it is.
inline void NarrowToBlock(const uint32_t *samples, uint32_t id, uint32_t *lo, uint32_t *hi) {
  if (*hi - *lo <= 2 * kSampleStride) return;
  const uint32_t first = (*lo + kSampleStride - 1) >> kSampleShift;
  const uint32_t last = (*hi - 1) >> kSampleShift;  // first < last here
  const uint32_t *at = LastNotAbove(samples + first, last + 1 - first, id);
  const uint32_t start = static_cast<uint32_t>(at - samples) << kSampleShift;
  const bool head = *at > id;  // only when `at` is the first sample
  *lo = head ? *lo : start;
  *hi = head ? start : (*hi - start > kSampleStride ? start + kSampleStride : *hi);
}

// The position of `id` in the short run ids[lo, hi), or kAbsent.
inline uint32_t FindInBlock(const uint32_t *ids, uint32_t lo, uint32_t hi, uint32_t id) {
  if (lo >= hi) return kAbsent;
  const uint32_t *at = LastNotAbove(ids + lo, hi - lo, id);
  return *at == id ? static_cast<uint32_t>(at - ids) : kAbsent;
}

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_SUCCESSOR_SEARCH_H
