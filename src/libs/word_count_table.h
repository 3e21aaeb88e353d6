// The counting table behind countlex_impl: open addressing with linear
// probing over 16-byte slots. Words of up to 8 bytes are kept in the slot
// itself; longer ones are copied into an arena and the slot points at them.
// A slot's tag holds 23 bits of the word's hash and its length, so most
// mismatches are settled without touching the word bytes. The table grows by
// doubling and never removes anything.
//
// Words are byte strings of 1 to 511 bytes without NUL. Add() and Hash() read
// up to 7 bytes past the end of the word, which must be readable memory.
#ifndef LEXKIT_WORD_COUNT_TABLE_H
#define LEXKIT_WORD_COUNT_TABLE_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "arena.h"
#include "checked_array.h"

namespace lexkit {

class WordCountTable {
 public:
  static constexpr size_t kMaxWordLength = 511;  // fits the tag's 9 bits

  struct Slot {
    uint64_t key;    // the word's bytes, zero-padded, or its arena address
    uint32_t tag;    // (hash bits << 9) | length; 0 marks an empty slot
    uint32_t count;  // wraps modulo 2^32, like the C int it stands for
  };

  WordCountTable();
  WordCountTable(const WordCountTable &) = delete;
  WordCountTable &operator=(const WordCountTable &) = delete;

  static uint64_t Hash(const char *word, size_t len);

  // Brings the home slot of a hash into the cache ahead of Add().
  void Prefetch(uint64_t hash) const {
    __builtin_prefetch(&slots_[hash >> shift_]);
  }

  // Counts one occurrence of `word`, whose Hash() is `hash`.
  void Add(const char *word, size_t len, uint64_t hash) {
    const uint32_t tag = Tag(hash, len);
    size_t i = hash >> shift_;
    if (len <= 8) {
      const uint64_t key = LoadShort(word, len);
      for (;; i = (i + 1) & mask_) {
        Slot &slot = slots_[i];
        if (slot.tag == tag && slot.key == key) {
          ++slot.count;
          return;
        }
        if (slot.tag == 0) return Insert(slot, key, tag);
      }
    }
    for (;; i = (i + 1) & mask_) {
      Slot &slot = slots_[i];
      if (slot.tag == tag &&
          std::memcmp(reinterpret_cast<const char *>(slot.key), word, len) == 0) {
        ++slot.count;
        return;
      }
      if (slot.tag == 0) return Insert(slot, CopyLong(word, len), tag);
    }
  }

  size_t size() const { return size_; }
  size_t capacity() const { return slots_.size(); }

  // Occupied slots are those with a non-zero tag; slot(i) for i < capacity().
  const Slot &slot(size_t i) const { return slots_[i]; }
  static bool Occupied(const Slot &slot) { return slot.tag != 0; }
  static std::string_view Word(const Slot &slot) {
    size_t len = slot.tag & kLengthMask;
    const char *bytes = len <= 8 ? reinterpret_cast<const char *>(&slot.key)
                                 : reinterpret_cast<const char *>(slot.key);
    return std::string_view(bytes, len);
  }

 private:
  static constexpr uint32_t kLengthMask = 0x1FF;

  static uint32_t Tag(uint64_t hash, size_t len) {
    return (static_cast<uint32_t>(hash) << 9) | static_cast<uint32_t>(len);
  }

  // The first `len` (at most 8) bytes of `word` as they lie in memory, the
  // rest of the eight zero.
  static uint64_t LoadShort(const char *word, size_t len) {
    uint64_t value;
    std::memcpy(&value, word, 8);
    if (len == 8) return value;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return value & ((uint64_t{1} << (8 * len)) - 1);
#else
    return value & ~(~uint64_t{0} >> (8 * len));
#endif
  }

  uint64_t CopyLong(const char *word, size_t len) {
    // Seven bytes of padding keep Hash()'s over-read inside the copy.
    char *copy = words_.AllocateBytes(len + 7);
    std::memcpy(copy, word, len);
    std::memset(copy + len, 0, 7);
    return reinterpret_cast<uintptr_t>(copy);
  }

  void Insert(Slot &slot, uint64_t key, uint32_t tag) {
    slot.key = key;
    slot.tag = tag;
    slot.count = 1;
    if (++size_ > grow_at_) Grow();
  }

  void Grow();
  void Allocate(size_t capacity);

  CheckedArray<Slot> slots_;
  size_t mask_ = 0;
  unsigned shift_ = 0;  // 64 - log2(capacity): the hash's top bits index
  size_t size_ = 0;
  size_t grow_at_ = 0;
  Arena words_;
};

}  // namespace lexkit

#endif  // LEXKIT_WORD_COUNT_TABLE_H
