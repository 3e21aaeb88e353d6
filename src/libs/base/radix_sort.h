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

#include "libs/base/helper_thread.h"

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

// Sorts `keys` (fewer than 2^32), using `scratch` as working memory. Given
// a helper thread, large inputs are sorted by both threads, each taking
// half of the work of every pass; the result is the same.
template <typename Key>
void RadixSort(std::vector<Key> *keys, std::vector<Key> *scratch, unsigned bits,
               HelperThread *helper = nullptr) {
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
  // Each thread counts the keys of one half of the input; the counts give
  // each half its own places within every bucket, so the two spread their
  // halves at once without writing to the same place.
  const unsigned low_bits = bits - kTopBits;
  constexpr size_t kBuckets = size_t{1} << kTopBits;
  const Key *const in = keys->data();
  Key *const spread = scratch->data();
  const size_t half = n / 2;
  std::vector<size_t> first_half(kBuckets + 1), second_half(kBuckets + 1);
  auto count = [in, low_bits](size_t from, size_t to, size_t *counts) {
    for (size_t i = from; i < to; ++i) ++counts[static_cast<size_t>(in[i] >> low_bits) + 1];
  };
  auto place = [in, spread, low_bits](size_t from, size_t to, size_t *next) {
    for (size_t i = from; i < to; ++i) spread[next[static_cast<size_t>(in[i] >> low_bits)]++] = in[i];
  };
  RunShared(helper, [&] { count(half, n, second_half.data()); },
            [&] { count(0, half, first_half.data()); });
  // start[b] = keys in buckets below b; the first half's keys of bucket b
  // go first, then the second half's.
  std::vector<size_t> start(kBuckets + 1);
  for (size_t b = 0; b < kBuckets; ++b) {
    start[b + 1] = start[b] + first_half[b + 1] + second_half[b + 1];
    second_half[b] = start[b] + first_half[b + 1];
    first_half[b] = start[b];
  }
  RunShared(helper, [&] { place(half, n, second_half.data()); },
            [&] { place(0, half, first_half.data()); });
  // Each bucket from the scratch space back into `keys`; the buckets from
  // `split` on, about half of the keys, are the helper's share.
  auto sort_buckets = [&](size_t from, size_t to) {
    for (size_t b = from; b < to; ++b) {
      const size_t first = start[b], size = start[b + 1] - first;
      const Key *sorted = SortLowBits(spread + first, out + first, size, low_bits);
      if (sorted != out + first) std::memcpy(out + first, sorted, size * sizeof(Key));
    }
  };
  const size_t split = std::min(
      kBuckets, static_cast<size_t>(std::upper_bound(start.begin(), start.end(), n / 2) -
                                    start.begin()));
  RunShared(helper, [&] { sort_buckets(split, kBuckets); }, [&] { sort_buckets(0, split); });
}

}  // namespace lexkit

#endif  // LEXKIT_RADIX_SORT_H
