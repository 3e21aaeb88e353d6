#include "liblmest/model/word_table.h"

namespace lexkit {
namespace model {

bool WordTable::Build(const char *text, const uint64_t *offsets, uint32_t first,
                      uint32_t last, uint32_t *duplicate) {
  text_ = text;
  offsets_ = offsets;
  // A power of two of slots, between a third and two thirds full, so that
  // the probes of a missing word stay few.
  const uint64_t words = first <= last ? uint64_t{last} - first + 1 : 0;
  uint64_t size = 2;
  while (size * 2 < words * 3) size *= 2;
  slots_.assign(size, Slot{kAbsent, 0});
  mask_ = size - 1;
  for (uint64_t id = first; id < first + words; ++id) {
    const std::string_view word(text + offsets[id], offsets[id + 1] - offsets[id] - 1);
    const uint64_t h = VocabLookup::Hash(word);
    const uint32_t tag = static_cast<uint32_t>(h >> 32);
    uint64_t i = h & mask_;
    for (; slots_[i].id != kAbsent; i = (i + 1) & mask_) {
      if (slots_[i].tag == tag && Matches(slots_[i].id, word)) {
        *duplicate = static_cast<uint32_t>(id);
        return false;
      }
    }
    slots_[i] = Slot{static_cast<uint32_t>(id), tag};
  }
  return true;
}

}  // namespace model
}  // namespace lexkit
