#include "libs/vocabulary/packed_words.h"

namespace lexkit {

void PackedWords::Add(std::string_view word) {
  Slot slot = {};
  if (word.size() <= kInline) {
    memcpy(slot.bytes, word.data(), word.size());
    slot.bytes[kInline] = static_cast<char>(word.size());
  } else {
    const uint64_t at = long_text_.size();
    const auto size = static_cast<uint32_t>(word.size());
    long_text_.append(word.data(), word.size());
    memcpy(slot.bytes, &at, sizeof at);
    memcpy(slot.bytes + sizeof at, &size, sizeof size);
    slot.bytes[kInline] = static_cast<char>(kLong);
  }
  slots_.push_back(slot);
  text_size_ += word.size();
}

}  // namespace lexkit
