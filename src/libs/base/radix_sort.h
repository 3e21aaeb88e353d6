// Radix sort of unsigned integer keys (64 or 128 bits) whose set bits all
// lie in the low `bits` bits: a few counting passes over the keys instead
// of a comparison sort.
//
// The passes go from the least significant 8-bit digit up (LSD): 256
// destinations per pass keep the writes within reach of the caches and the
// TLB, which wider digits overrun. Keys too many for the caches are first
// spread by their top 12 bits into buckets (one MSD pass), and each bucket,
// by then small, is sorted LSD on the bits below: all passes but one then
// run in the caches.
#ifndef LEXKIT_RADIX_SORT_H
#define LEXKIT_RADIX_SORT_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lexkit {

namespace radix_internal {

constexpr unsigned kDigitBits = 8;
constexpr size_t kRadix = size_t{1} << kDigitBits;
constexpr unsigned kTopBits = 12;
constexpr size_t kCachedKeys = size_t{1} << 16;  // 512 KiB of 64-bit keys
constexpr size_t kSmallKeys = 64;                // fewer: a comparison sort

// Sorts the `n` (< 2^32) keys at `data` on their low `bits` bits through
// `tmp` (room for `n`); returns where the sorted keys are: data or tmp.
template <typename Key>
Key *SortLowBits(Key *data, Key *tmp, size_t n, unsigned bits) {
  const unsigned passes = (bits + kDigitBits - 1) / kDigitBits;
  if (passes == 0 || n < 2) return data;
  if (n <= kSmallKeys) {
    // Bits above `bits` are equal in these keys, so this is the same order.
    std::sort(data, data + n);
    return data;
  }
  // All histograms in one sweep.
  uint32_t counts[(8 * sizeof(Key) / kDigitBits) * kRadix];
  std::fill(counts, counts + passes * kRadix, 0);
  for (size_t i = 0; i < n; ++i) {
    const Key key = data[i];
    for (unsigned p = 0; p < passes; ++p)
      ++counts[p * kRadix + static_cast<size_t>((key >> (p * kDigitBits)) & (kRadix - 1))];
  }
  for (unsigned p = 0; p < passes; ++p) {
    uint32_t *count = &counts[p * kRadix];
    // A digit that every key shares leaves the order unchanged.
    if (std::find(count, count + kRadix, static_cast<uint32_t>(n)) != count + kRadix) continue;
    uint32_t offset = 0;
    for (size_t d = 0; d < kRadix; ++d) {
      const uint32_t c = count[d];
      count[d] = offset;
      offset += c;
    }
    const unsigned shift = p * kDigitBits;
    for (size_t i = 0; i < n; ++i) {
      const Key key = data[i];
      tmp[count[static_cast<size_t>((key >> shift) & (kRadix - 1))]++] = key;
    }
    std::swap(data, tmp);
  }
  return data;
}

}  // namespace radix_internal

// Sorts `keys` (fewer than 2^32), using `scratch` as working memory.
template <typename Key>
void RadixSort(std::vector<Key> *keys, std::vector<Key> *scratch, unsigned bits) {
  using namespace radix_internal;
  const size_t n = keys->size();
  if (n < 2 || bits == 0) return;
  scratch->resize(n);
  Key *const out = keys->data();
  if (n <= kCachedKeys || bits <= kTopBits) {
    const Key *sorted = SortLowBits(out, scratch->data(), n, bits);
    if (sorted != out) std::memcpy(out, sorted, n * sizeof(Key));
    return;
  }
  // The MSD pass: bucket b of the top digit goes to [start[b], start[b+1]).
  const unsigned low_bits = bits - kTopBits;
  std::vector<size_t> start((size_t{1} << kTopBits) + 1);
  for (const Key &key : *keys) ++start[static_cast<size_t>(key >> low_bits) + 1];
  for (size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
  std::vector<size_t> next(start.begin(), start.end() - 1);
  Key *const spread = scratch->data();
  for (const Key &key : *keys) spread[next[static_cast<size_t>(key >> low_bits)]++] = key;
  // Each bucket from the scratch space back into `keys`.
  for (size_t b = 0; b + 1 < start.size(); ++b) {
    const size_t first = start[b], count = start[b + 1] - first;
    const Key *sorted = SortLowBits(spread + first, out + first, count, low_bits);
    if (sorted != out + first) std::memcpy(out + first, sorted, count * sizeof(Key));
  }
}

}  // namespace lexkit

#endif  // LEXKIT_RADIX_SORT_H
