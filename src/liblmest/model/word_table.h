// The word -> id table of a loaded model, built over the model's own
// vocabulary section (the NUL-ended words and their offsets), which it
// points into and never copies. Open addressing over a power-of-two array
// of 8-byte slots (on huge pages where the table is large: its reads are
// random): a slot holds an id and 32 bits of the word's hash, so a probe
// compares the text only when the tags agree.
#ifndef LEXKIT_LIBLMEST_MODEL_WORD_TABLE_H
#define LEXKIT_LIBLMEST_MODEL_WORD_TABLE_H

#include <string.h>

#include <cstdint>
#include <string_view>

#include "libs/base/hash.h"
#include "libs/base/huge_page_array.h"

namespace lexkit {
namespace model {

class WordTable {
 public:
  static constexpr uint32_t kAbsent = UINT32_MAX;

  // Indexes the words of ids first..last (inclusive) of `text`, word i
  // being text[offsets[i]] up to the NUL before text[offsets[i + 1]]. The
  // arrays must outlive the table. A word that appears twice keeps its
  // first id, and the later one is never found, as the toolkit's vocabulary
  // readers treat a repeated word (buildlex's vocabulary gets one from a
  // line too long for them, whose pieces are words of their own).
  void Build(const char *text, const uint64_t *offsets, uint32_t first, uint32_t last);

  // The id of `word`, or kAbsent.
  uint32_t Find(std::string_view word) const {
    const uint64_t h = HashBytes(word.data(), word.size());
    const uint32_t tag = static_cast<uint32_t>(h >> 32);
    for (uint64_t i = h & mask_;; i = (i + 1) & mask_) {
      const Slot &slot = slots_[i];
      if (slot.id == kAbsent) return kAbsent;
      if (slot.tag == tag && Matches(slot.id, word)) return slot.id;
    }
  }

  // The ids of `count` words (kAbsent for those not in the table), as Find
  // gives them, but with the memory accesses of all the words overlapping:
  // each stage touches every word's next cache line after the previous
  // stage asked for it, instead of one word waiting for three misses in a
  // row (slot, offset, text). For many lookups whose words are not in the
  // cache, such as those of a model file's n-gram lines.
  void FindBatch(const std::string_view *words, size_t count, uint32_t *ids) const;

  // Bytes held by the table.
  uint64_t MemoryBytes() const { return slots_.size() * sizeof(Slot); }

 private:
  struct Slot {
    uint32_t id;
    uint32_t tag;
  };

  // Words are hashed and placed a chunk at a time.
  static constexpr size_t kChunk = 64;
  // The hashes of `count` words, their first slots asked for.
  void HashAndAskForSlots(const std::string_view *words, size_t count, uint64_t *hashes) const;

  bool Matches(uint32_t id, std::string_view word) const {
    const uint64_t start = offsets_[id];
    return offsets_[id + 1] - start == word.size() + 1 &&
           memcmp(text_ + start, word.data(), word.size()) == 0;
  }

  const char *text_ = nullptr;
  const uint64_t *offsets_ = nullptr;
  HugePageArray<Slot> slots_ = HugePageArray<Slot>(1, Slot{kAbsent, 0});
  uint64_t mask_ = 0;
};

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_WORD_TABLE_H
