// The words of a vocabulary by id, 0 first, packed for writers that look
// them up in random order: every word has a 16-byte slot, and a word of up
// to 15 bytes lives in its slot, so fetching it costs one cache line (and a
// prefetch of the slot is all it takes to have it ready). Longer words keep
// their bytes in one text beside the slots, the slot holding their place.
//
// A word's view may be read 16 bytes from its start, whatever its length
// (a short word lies in its 16-byte slot, a long one has more than 15
// bytes), so a short word can be copied with one fixed 16-byte move.
#ifndef LEXKIT_PACKED_WORDS_H
#define LEXKIT_PACKED_WORDS_H

#include <stdint.h>
#include <string.h>

#include <string>
#include <string_view>
#include <vector>

namespace lexkit {

class PackedWords {
 public:
  static constexpr size_t kReadable = 16;

  // The next id's word; it may hold any bytes, at most 2^32 - 1 of them.
  void Add(std::string_view word);

  size_t size() const { return slots_.size(); }
  // The bytes of all the words, one after another.
  uint64_t text_size() const { return text_size_; }

  std::string_view word(uint32_t id) const {
    const Slot &slot = slots_[id];
    const auto length = static_cast<unsigned char>(slot.bytes[kInline]);
    if (length != kLong) return std::string_view(slot.bytes, length);
    uint64_t at;
    uint32_t size;
    memcpy(&at, slot.bytes, sizeof at);
    memcpy(&size, slot.bytes + sizeof at, sizeof size);
    return std::string_view(long_text_.data() + at, size);
  }

  void Prefetch(uint32_t id) const { __builtin_prefetch(&slots_[id]); }

 private:
  static constexpr size_t kInline = 15;  // bytes of a word kept in its slot
  static constexpr unsigned char kLong = 0xFF;  // length byte of a long word
  // A long word's slot: its offset in long_text_ (8 bytes), its length (4
  // bytes), then kLong in the last byte.

  struct Slot {
    char bytes[16];
  };
  static_assert(sizeof(Slot) == kReadable, "a slot is one readable run");

  std::vector<Slot> slots_;
  std::string long_text_;
  uint64_t text_size_ = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_PACKED_WORDS_H
