// LSD radix sort of unsigned integer keys (64 or 128 bits) whose set bits
// all lie in the low `bits` bits: a few counting passes over the keys
// instead of a comparison sort.
#ifndef LEXKIT_RADIX_SORT_H
#define LEXKIT_RADIX_SORT_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lexkit {

template <typename Key>
void RadixSort(std::vector<Key> *keys, std::vector<Key> *scratch, unsigned bits) {
  constexpr unsigned kMaxDigitBits = 12;  // 4096 counters stay in L1
  const unsigned passes = (bits + kMaxDigitBits - 1) / kMaxDigitBits;
  if (passes == 0 || keys->size() < 2) return;
  const unsigned digit_bits = (bits + passes - 1) / passes;
  const size_t radix = size_t{1} << digit_bits;
  const Key digit_mask = static_cast<Key>(radix - 1);

  // All histograms in one sweep.
  std::vector<uint32_t> counts(passes * radix);  // keys->size() < 2^32
  for (const Key &key : *keys) {
    for (unsigned p = 0; p < passes; ++p)
      ++counts[p * radix + static_cast<size_t>((key >> (p * digit_bits)) & digit_mask)];
  }
  scratch->resize(keys->size());
  for (unsigned p = 0; p < passes; ++p) {
    uint32_t *count = &counts[p * radix];
    // A digit that every key shares leaves the order unchanged.
    bool trivial = false;
    for (size_t d = 0; d < radix && !trivial; ++d) trivial = count[d] == keys->size();
    if (trivial) continue;
    uint32_t offset = 0;
    for (size_t d = 0; d < radix; ++d) {
      uint32_t c = count[d];
      count[d] = offset;
      offset += c;
    }
    const unsigned shift = p * digit_bits;
    Key *out = scratch->data();
    for (const Key &key : *keys)
      out[count[static_cast<size_t>((key >> shift) & digit_mask)]++] = key;
    keys->swap(*scratch);
  }
}

}  // namespace lexkit

#endif  // LEXKIT_RADIX_SORT_H
