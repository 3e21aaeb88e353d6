// The counting table behind countlex_impl: open addressing with linear
// probing over 16-byte slots. Words of up to 8 bytes are kept in the slot
// itself; longer ones are copied into an arena and the slot points at them.
// A slot's tag holds the top 23 bits of the word's hash and its length, so
// most mismatches are settled without touching the word bytes. The top bits
// of the hash also pick the home slot, so the table stays ordered by hash
// and, while it has at most 2^23 slots, doubles without rehashing: a pass
// that reads the old slots in order and writes the new ones nearly in order.
// Nothing is ever removed.
//
// Words are byte strings of 1 to 511 bytes without NUL. Add() and Hash() read
// up to 16 bytes from the start of a word and up to 7 past its end, which
// must be readable memory.
#ifndef LEXKIT_WORD_COUNT_TABLE_H
#define LEXKIT_WORD_COUNT_TABLE_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "libs/base/arena.h"
#include "libs/base/checked_array.h"
#include "libs/base/hash.h"
#include "libs/base/load_bytes.h"

namespace lexkit {

class WordCountTable {
 public:
  static constexpr size_t kMaxWordLength = 511;  // fits the tag's 9 bits

  struct Slot {
    uint64_t key;    // the word's bytes, zero-padded, or its arena address
    uint32_t tag;    // (top hash bits << 9) | length; 0 marks an empty slot
    uint32_t count;  // wraps modulo 2^32, like the C int it stands for
  };

  WordCountTable();
  WordCountTable(const WordCountTable &) = delete;
  WordCountTable &operator=(const WordCountTable &) = delete;

  static uint64_t Hash(const char *word, size_t len) { return HashPaddedBytes(word, len); }

  // Brings the home slot of a hash into the cache ahead of Add().
  void Prefetch(uint64_t hash) const {
    __builtin_prefetch(&slots_[hash >> shift_]);
  }

  // Once the home slot has arrived: brings in the arena copy of a long word
  // that is probably the one sought.
  void PrefetchLongWord(uint64_t hash, size_t len) const {
    if (len <= 8) return;
    const uint32_t tag = Tag(hash, len);
    const size_t home = hash >> shift_;
    for (size_t i = home; i < home + 2; ++i) {
      const Slot &slot = slots_[i & mask_];
      if (slot.tag == tag) {
        __builtin_prefetch(reinterpret_cast<const char *>(slot.key));
        return;
      }
    }
  }

  // Counts `times` occurrences of `word`, whose Hash() is `hash`.
  void Add(const char *word, size_t len, uint64_t hash, uint32_t times = 1) {
    const uint32_t tag = Tag(hash, len);
    size_t i = hash >> shift_;
    if (len <= 8) {
      const uint64_t key = LoadShort(word, len);
      for (;; i = (i + 1) & mask_) {
        Slot &slot = slots_[i];
        if (slot.tag == tag && slot.key == key) {
          slot.count += times;
          return;
        }
        if (slot.tag == 0) return Insert(slot, key, tag, times);
      }
    }
    for (;; i = (i + 1) & mask_) {
      Slot &slot = slots_[i];
      if (slot.tag == tag &&
          SameLongWord(reinterpret_cast<const char *>(slot.key), word, len)) {
        slot.count += times;
        return;
      }
      if (slot.tag == 0) return Insert(slot, CopyLong(word, len), tag, times);
    }
  }

  // Takes the count out of occupied slot `i`, leaving the word with 0.
  uint32_t TakeCount(size_t i) {
    const uint32_t count = slots_[i].count;
    slots_[i].count = 0;
    return count;
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

  static constexpr unsigned kTagHashBits = 23;

  static uint32_t Tag(uint64_t hash, size_t len) {
    return static_cast<uint32_t>(hash >> (64 - kTagHashBits)) << 9 |
           static_cast<uint32_t>(len);
  }

  static uint64_t LoadShort(const char *word, size_t len) {
    return LoadFirstPadded(word, len);
  }

  // `stored` is a padded arena copy of a word of `len` bytes (more than 8).
  static bool SameLongWord(const char *stored, const char *word, size_t len) {
    return SameBytesPadded(stored, word, len);
  }

  uint64_t CopyLong(const char *word, size_t len) {
    // Seven zero bytes of padding keep the over-reads of Hash() and
    // SameLongWord() inside the copy.
    char *copy = words_.AllocateBytes(len + 7);
    std::memcpy(copy, word, len);
    std::memset(copy + len, 0, 7);
    return reinterpret_cast<uintptr_t>(copy);
  }

  void Insert(Slot &slot, uint64_t key, uint32_t tag, uint32_t times) {
    slot.key = key;
    slot.tag = tag;
    slot.count = times;
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
