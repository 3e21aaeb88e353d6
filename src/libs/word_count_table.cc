#include "word_count_table.h"

#include "general.h"

namespace lexkit {

namespace {

constexpr size_t kInitialCapacity = size_t{1} << 12;
// The slot index goes into 32 bits when the table is written out.
constexpr size_t kMaxCapacity = size_t{1} << 32;

// 64x64 -> 128-bit multiply folded to 64 bits: one multiplication that mixes
// every input bit into the high half of the result.
inline uint64_t Mix(uint64_t a, uint64_t b) {
  unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
  return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
}

inline uint64_t Load8(const char *p) {
  uint64_t value;
  std::memcpy(&value, p, 8);
  return value;
}

// Keeps the first `len` (1 to 8) bytes of an 8-byte load.
inline uint64_t KeepBytes(uint64_t value, size_t len) {
  if (len >= 8) return value;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  return value & ((uint64_t{1} << (8 * len)) - 1);
#else
  return value & ~(~uint64_t{0} >> (8 * len));
#endif
}

constexpr uint64_t kSeed0 = 0xa0761d6478bd642fULL;
constexpr uint64_t kSeed1 = 0xe7037ed1a0b428dbULL;
constexpr uint64_t kSeed2 = 0x8ebc6af09c88c6e3ULL;

}  // namespace

uint64_t WordCountTable::Hash(const char *word, size_t len) {
  if (len <= 8)
    return Mix(KeepBytes(Load8(word), len) ^ kSeed0, len ^ kSeed1);
  if (len <= 16)
    return Mix(Load8(word) ^ kSeed0,
               KeepBytes(Load8(word + 8), len - 8) ^ kSeed1 ^ len);
  uint64_t h = len ^ kSeed2;
  size_t i = 0;
  for (; i + 16 <= len; i += 16)
    h = Mix(Load8(word + i) ^ kSeed0 ^ h, Load8(word + i + 8) ^ kSeed1);
  if (i < len) {
    size_t rest = len - i;
    uint64_t a = KeepBytes(Load8(word + i), rest);
    uint64_t b = rest > 8 ? KeepBytes(Load8(word + i + 8), rest - 8) : 0;
    h = Mix(a ^ kSeed0 ^ h, b ^ kSeed1);
  }
  return Mix(h ^ kSeed2, len ^ kSeed0);
}

WordCountTable::WordCountTable() { Allocate(kInitialCapacity); }

void WordCountTable::Allocate(size_t capacity) {
  slots_ = CheckedArray<Slot>(capacity);
  mask_ = capacity - 1;
  shift_ = 64 - static_cast<unsigned>(__builtin_ctzll(capacity));
  grow_at_ = capacity / 4 * 3;  // load factor at most 3/4
}

void WordCountTable::Grow() {
  if (slots_.size() >= kMaxCapacity)
    quit(-1, "countlex_impl: too many distinct words\n");
  CheckedArray<Slot> old = std::move(slots_);
  Allocate(old.size() * 2);
  for (const Slot &slot : old) {
    if (!Occupied(slot)) continue;
    std::string_view word = Word(slot);
    size_t i = Hash(word.data(), word.size()) >> shift_;
    while (Occupied(slots_[i])) i = (i + 1) & mask_;
    slots_[i] = slot;
  }
}

}  // namespace lexkit
