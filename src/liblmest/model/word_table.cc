#include "liblmest/model/word_table.h"

namespace lexkit {
namespace model {

void WordTable::Build(const char *text, const uint64_t *offsets, uint32_t first,
                      uint32_t last) {
  text_ = text;
  offsets_ = offsets;
  // A power of two of slots, between two fifths and four fifths full: a
  // probe sequence seldom leaves its cache line, and the table stays a
  // small part of a model's memory.
  const uint64_t words = first <= last ? uint64_t{last} - first + 1 : 0;
  uint64_t size = 2;
  while (size * 4 < words * 5) size *= 2;
  slots_ = HugePageArray<Slot>(size, Slot{kAbsent, 0});
  mask_ = size - 1;
  // In chunks, each word's first slot asked for before any is filled: the
  // slots of a large vocabulary are cache misses, which then overlap.
  std::string_view chunk[kChunk];
  uint64_t hashes[kChunk];
  for (uint64_t base = first; base < first + words; base += kChunk) {
    const size_t n = first + words - base < kChunk ? first + words - base : kChunk;
    for (size_t i = 0; i < n; ++i)
      chunk[i] = std::string_view(text + offsets[base + i], offsets[base + i + 1] - offsets[base + i] - 1);
    HashAndAskForSlots(chunk, n, hashes);
    for (size_t i = 0; i < n; ++i) {
      const uint32_t tag = static_cast<uint32_t>(hashes[i] >> 32);
      uint64_t at = hashes[i] & mask_;
      while (slots_[at].id != kAbsent && !(slots_[at].tag == tag && Matches(slots_[at].id, chunk[i])))
        at = (at + 1) & mask_;
      if (slots_[at].id == kAbsent) slots_[at] = Slot{static_cast<uint32_t>(base + i), tag};
    }
  }
}

void WordTable::HashAndAskForSlots(const std::string_view *words, size_t count,
                                   uint64_t *hashes) const {
  for (size_t i = 0; i < count; ++i) {
    hashes[i] = HashBytes(words[i].data(), words[i].size());
    __builtin_prefetch(&slots_[hashes[i] & mask_]);
  }
}

void WordTable::FindBatch(const std::string_view *words, size_t count,
                          uint32_t *ids) const {
  uint64_t hashes[kChunk];
  for (size_t base = 0; base < count; base += kChunk) {
    const size_t n = count - base < kChunk ? count - base : kChunk;
    const std::string_view *w = words + base;
    uint32_t *out = ids + base;
    HashAndAskForSlots(w, n, hashes);
    // The first slot of the word's probe sequence whose tag agrees (a
    // candidate) or that is empty (the word is absent).
    for (size_t i = 0; i < n; ++i) {
      const uint32_t tag = static_cast<uint32_t>(hashes[i] >> 32);
      uint64_t at = hashes[i] & mask_;
      while (slots_[at].id != kAbsent && slots_[at].tag != tag) at = (at + 1) & mask_;
      out[i] = slots_[at].id;
      if (out[i] != kAbsent) __builtin_prefetch(&offsets_[out[i]]);
    }
    for (size_t i = 0; i < n; ++i)
      if (out[i] != kAbsent) __builtin_prefetch(text_ + offsets_[out[i]]);
    // A candidate whose text differs shares its tag by chance: the whole
    // probe sequence decides.
    for (size_t i = 0; i < n; ++i)
      if (out[i] != kAbsent && !Matches(out[i], w[i])) out[i] = Find(w[i]);
  }
}

}  // namespace model
}  // namespace lexkit
