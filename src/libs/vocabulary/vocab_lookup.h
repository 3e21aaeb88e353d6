// Word -> id lookups for the words of a text, with exactly the results of
// index2 on a vocabulary index table, but without its chain walk: the
// entries that index2 can find are copied once into a compact
// open-addressing table of 16-byte slots (one probe sequence over
// contiguous memory instead of several dependent cache misses per word).
//
// With a large vocabulary the table outgrows the caches and a lookup waits
// for memory, so FindAll takes a batch of words: it first requests the
// home slots of the whole batch, then compares, and the waits overlap.
#ifndef LEXKIT_VOCAB_LOOKUP_H
#define LEXKIT_VOCAB_LOOKUP_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lexkit/ac_hash.h"
#include "libs/base/checked_array.h"
#include "libs/base/helper_thread.h"

namespace lexkit {

class VocabLookup {
 public:
  // Words of up to this many bytes are in the table; index2 answers for
  // longer ones, which no text word of the toolkit's readers is.
  static constexpr size_t kMaxLength = 510;
  // Readable bytes that FindAll needs after the start of each word.
  static constexpr size_t kPadding = 16;
  // The most words FindAll takes at once.
  static constexpr size_t kMaxBatch = 64;

  // `table` must not change while the lookup is in use. A helper thread,
  // if given, takes half of the building.
  explicit VocabLookup(struct idngram_hash_table *table, HelperThread *helper = nullptr);

  // The id of `word`, 0 if it is not in the table. Like index2 on a C
  // string, the word ends at its first NUL byte.
  wordid_t Find(std::string_view word) const;

  // ids[i] = Find(words[i]) for i < n <= kMaxBatch, for words without NUL
  // bytes that are followed in memory by readable bytes up to kPadding
  // past their start and 7 past their end.
  void FindAll(const std::string_view *words, size_t n, wordid_t *ids) const;

  // The largest id that Find can return (0 if none), or a larger one when
  // the table holds words longer than kMaxLength.
  wordid_t LargestId() const { return largest_; }

 private:
  struct Slot {
    uint64_t key;   // a word of up to 8 bytes zero-padded, else its pool offset
    uint32_t meta;  // kOccupied | 22 bits of the hash << 9 | length
    wordid_t id;
  };
  static constexpr uint32_t kOccupied = 0x80000000u;
  static constexpr uint32_t kLengthMask = 0x1FF;

  static uint32_t Meta(uint64_t hash, size_t length) {
    return kOccupied | static_cast<uint32_t>(hash >> 42) << 9 | static_cast<uint32_t>(length);
  }
  size_t Home(uint64_t hash) const { return static_cast<size_t>(hash) & mask_; }

  // A findable entry of the table, its word already in stored form.
  struct Entry {
    uint64_t key;  // as in Slot
    uint64_t hash;
    uint32_t length;
    wordid_t id;
  };

  // The first slot from the hash's home on that is empty or holds a word
  // of this meta for which same(slot) holds.
  template <typename Same>
  size_t Locate(uint64_t hash, uint32_t meta, Same same) const;
  // The slot that holds `word`, or the empty one where it would go. With
  // kPadded, the word may be read by 8-byte loads that reach past its end.
  template <bool kPadded>
  size_t Locate(std::string_view word, uint64_t hash) const;
  void Insert(const Entry &entry);
  struct Findable;
  void Walk(int from, int to, Findable *found) const;

  struct idngram_hash_table *table_;
  CheckedArray<Slot> slots_;
  std::string pool_;  // the words longer than 8 bytes side by side, then 7 NULs
  size_t mask_ = 0;
  wordid_t largest_ = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_VOCAB_LOOKUP_H
