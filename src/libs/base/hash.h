// The string hashes of the toolkit, each written once.
//
// ChainHash: the index of a word among the M chains of a chained table,
//   h = (h * multiplier + c) mod M over the word's bytes, each byte taken as
//   a signed char and added in unsigned 32-bit arithmetic. Its values are
//   visible: countlex writes its list in chain order (multiplier 64) and
//   the vocabulary index keeps its words in chains (multiplier 256).
//
// HashBytes: a 64-bit hash for the in-memory open-addressing tables (word
//   counting, string-to-id, vocabulary lookups). Every bit of the result
//   depends on every byte, so tables may take their slot from the high or
//   the low bits. Its values are never stored or written; only speed and
//   spread matter. HashPaddedBytes computes the same values faster for
//   words that lie in memory with readable bytes after them.
#ifndef LEXKIT_HASH_H
#define LEXKIT_HASH_H

#include <cstddef>
#include <cstdint>

#include "libs/base/fastmod.h"
#include "libs/base/load_bytes.h"

namespace lexkit {

template <uint32_t kMultiplier>
uint32_t ChainHash(const char *bytes, size_t len, const FastMod &chains) {
  static_assert(kMultiplier >= 2 && kMultiplier <= 256 && (kMultiplier & (kMultiplier - 1)) == 0,
                "a power of two up to 256");
  constexpr uint64_t kMultiplier4 = uint64_t{kMultiplier} * kMultiplier * kMultiplier * kMultiplier;
  auto step = [&chains](uint32_t h, char byte) {
    const uint32_t c = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(byte)));
    return chains.Mod(h * kMultiplier + c);
  };
  // Four steps at once: while h < M <= 2^32 / kMultiplier - 1 and the bytes
  // are below 0x80, h * kMultiplier + c never wraps, so four steps are
  // (h * kMultiplier^4 + ((c0 * k + c1) * k + c2) * k + c3) mod M, the
  // remainder of a number below 2^57, taken once. Bytes of 0x80 and above
  // (added as negative numbers, which wrap) take the steps one by one.
  uint32_t h = 0;
  size_t i = 0;
  if (chains.divisor() < (uint64_t{1} << 32) / kMultiplier) {
    for (; i + 4 <= len; i += 4) {
      const unsigned char *b = reinterpret_cast<const unsigned char *>(bytes + i);
      if ((b[0] | b[1] | b[2] | b[3]) & 0x80) {
        for (size_t j = i; j < i + 4; ++j) h = step(h, bytes[j]);
        continue;
      }
      const uint64_t four = ((uint64_t{b[0]} * kMultiplier + b[1]) * kMultiplier + b[2]) *
                                kMultiplier + b[3];
      h = chains.ModWide(h * kMultiplier4 + four);
    }
  }
  for (; i < len; ++i) h = step(h, bytes[i]);
  return h;
}

namespace hash_internal {

constexpr uint64_t kSeed0 = 0xa0761d6478bd642fULL;
constexpr uint64_t kSeed1 = 0xe7037ed1a0b428dbULL;
constexpr uint64_t kSeed2 = 0x8ebc6af09c88c6e3ULL;

// 64x64 -> 128-bit multiply folded to 64 bits: one multiplication that
// mixes every input bit into the result.
inline uint64_t Mix(uint64_t a, uint64_t b) {
  unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
  return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
}

// How a word's last bytes are read: exactly, or by loads that may reach
// past its end.
struct ExactLoad {
  static uint64_t First(const char *p, size_t n) { return LoadFirst(p, n); }
};
struct PaddedLoad {
  static uint64_t First(const char *p, size_t n) { return LoadFirstPadded(p, n); }
};

// The hash of `len` (more than 16) bytes, 16 at a time, the last 1 to 16
// zero-padded.
template <typename Load>
uint64_t HashLong(const char *p, size_t len) {
  uint64_t h = len ^ kSeed2;
  size_t i = 0;
  for (; i + 16 <= len; i += 16) h = Mix(Load8(p + i) ^ kSeed0 ^ h, Load8(p + i + 8) ^ kSeed1);
  if (i < len) {
    const size_t rest = len - i;
    uint64_t a = Load::First(p + i, rest);
    uint64_t b = rest > 8 ? Load::First(p + i + 8, rest - 8) : 0;
    h = Mix(a ^ kSeed0 ^ h, b ^ kSeed1);
  }
  return Mix(h ^ kSeed2, len ^ kSeed0);
}

// The common short word takes one multiplication, inline.
template <typename Load>
inline uint64_t HashBytes(const char *p, size_t len) {
  if (len > 16) return HashLong<Load>(p, len);
  const size_t second = len > 8 ? len - 8 : 0;
  return Mix(Load::First(p, len) ^ kSeed0, Load::First(p + 8, second) ^ kSeed1 ^ len);
}

}  // namespace hash_internal

// Reads exactly the `len` bytes at `p`.
inline uint64_t HashBytes(const char *p, size_t len) {
  return hash_internal::HashBytes<hash_internal::ExactLoad>(p, len);
}

// The same value; reads the first 16 bytes at `p` whatever `len` is, and up
// to 7 bytes past the end of a longer word: that memory must be readable.
inline uint64_t HashPaddedBytes(const char *p, size_t len) {
  return hash_internal::HashBytes<hash_internal::PaddedLoad>(p, len);
}

}  // namespace lexkit

#endif  // LEXKIT_HASH_H
