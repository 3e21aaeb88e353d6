#include "libs/counting/word_count_table.h"

#include "lexkit/general.h"

namespace lexkit {

namespace {

constexpr size_t kInitialCapacity = size_t{1} << 12;
// The slot index goes into 32 bits when the table is written out.
constexpr size_t kMaxCapacity = size_t{1} << 32;

}  // namespace

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
