// Word -> id lookups for the words of a text, with exactly the results of
// index2 on a vocabulary index table, but without its chain walk: the
// entries that index2 can find are copied once into a compact
// open-addressing table (one probe sequence over contiguous slots and one
// string pool, instead of several dependent cache misses per word). The
// words need not be NUL-terminated (views into a read block).
#ifndef LEXKIT_VOCAB_LOOKUP_H
#define LEXKIT_VOCAB_LOOKUP_H

#include <string.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lexkit/ac_hash.h"
#include "libs/base/hash.h"

namespace lexkit {

class VocabLookup {
 public:
  // `table` must not change while the lookup is in use.
  explicit VocabLookup(struct idngram_hash_table *table);

  // The id of `word`, 0 if it is not in the table. Like index2 on a C
  // string, the word ends at its first NUL byte.
  wordid_t Find(std::string_view word) const {
    const void *nul = memchr(word.data(), '\0', word.size());
    if (nul != nullptr)
      word = word.substr(0, static_cast<const char *>(nul) - word.data());
    if (table_->size < 1) return index2(table_, std::string(word).c_str());
    const uint64_t h = Hash(word);
    const uint32_t tag = static_cast<uint32_t>(h >> 32);
    const uint64_t head = Head(word);
    for (size_t i = h & mask_;; i = (i + 1) & mask_) {
      const Slot &slot = slots_[i];
      if (slot.offset == kEmpty) return 0;
      if (slot.head == head && slot.tag == tag && slot.length == word.size() &&
          (word.size() <= 8 ||
           memcmp(pool_.data() + slot.offset + 8, word.data() + 8, word.size() - 8) == 0))
        return slot.id;
    }
  }

  // The largest id that Find can return (0 if none).
  wordid_t LargestId() const { return largest_; }

 private:
  // Words of up to 8 bytes are compared through `head` alone.
  struct Slot {
    uint64_t head;  // the word's first 8 bytes, zero-padded
    uint32_t tag;
    uint32_t offset;
    uint32_t length;
    wordid_t id;
  };
  static constexpr uint32_t kEmpty = UINT32_MAX;

  static uint64_t Head(std::string_view word) {
    uint64_t head = 0;
    memcpy(&head, word.data(), word.size() < 8 ? word.size() : 8);
    return head;
  }

  static uint64_t Hash(std::string_view word) { return HashBytes(word.data(), word.size()); }

  void Insert(std::string_view word, wordid_t id);

  struct idngram_hash_table *table_;
  std::vector<Slot> slots_;
  std::string pool_;
  size_t mask_ = 0;
  wordid_t largest_ = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_VOCAB_LOOKUP_H
