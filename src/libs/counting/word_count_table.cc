#include "libs/counting/word_count_table.h"

#include "lexkit/general.h"

namespace lexkit {

namespace {

constexpr size_t kInitialCapacity = size_t{1} << 12;
// The slot index goes into 32 bits when the table is written out.
constexpr size_t kMaxCapacity = size_t{1} << 32;

constexpr uint64_t kSeed2 = 0x8ebc6af09c88c6e3ULL;

}  // namespace

uint64_t WordCountTable::HashLong(const char *word, size_t len) {
  uint64_t h = len ^ kSeed2;
  size_t i = 0;
  for (; i + 16 <= len; i += 16)
    h = Mix(Load8(word + i) ^ kSeed0 ^ h, Load8(word + i + 8) ^ kSeed1);
  if (i < len) {
    size_t rest = len - i;
    uint64_t a = KeepFirst(Load8(word + i), rest);
    uint64_t b = rest > 8 ? KeepFirst(Load8(word + i + 8), rest - 8) : 0;
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
  const unsigned index_bits = 64 - shift_;
  for (const Slot &slot : old) {
    if (!Occupied(slot)) continue;
    size_t i;
    if (index_bits <= kTagHashBits) {
      i = (slot.tag >> 9) >> (kTagHashBits - index_bits);
    } else {
      std::string_view word = Word(slot);
      i = Hash(word.data(), word.size()) >> shift_;
    }
    while (Occupied(slots_[i])) i = (i + 1) & mask_;
    slots_[i] = slot;
  }
}

}  // namespace lexkit
