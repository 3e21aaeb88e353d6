#include "libs/vocabulary/vocab_lookup.h"

namespace lexkit {

VocabLookup::VocabLookup(struct idngram_hash_table *table) : table_(table) {
  // index2 finds a node only in the chain its word hashes to, and of equal
  // words only the first: exactly those nodes are indexed.
  std::vector<const struct idngram_node *> findable;
  for (int i = 0; i < table->size; ++i) {
    for (const struct idngram_node *x = table->chain[i]->next; x; x = x->next)
      if (idngram_hash(x->word, table->size) == i) findable.push_back(x);
  }
  size_t capacity = 16;
  while (capacity < 2 * findable.size()) capacity *= 2;
  slots_.assign(capacity, Slot{0, 0, kEmpty, 0, 0});
  mask_ = capacity - 1;
  for (const struct idngram_node *x : findable) Insert(x->word, x->ind);
}

void VocabLookup::Insert(std::string_view word, wordid_t id) {
  const uint64_t h = Hash(word);
  const uint32_t tag = static_cast<uint32_t>(h >> 32);
  size_t i = h & mask_;
  for (; slots_[i].offset != kEmpty; i = (i + 1) & mask_) {
    const Slot &slot = slots_[i];
    if (slot.tag == tag && slot.length == word.size() &&
        pool_.compare(slot.offset, slot.length, word) == 0)
      return;  // a later entry of the same word: index2 never returns it
  }
  slots_[i] = Slot{Head(word), tag, static_cast<uint32_t>(pool_.size()),
                   static_cast<uint32_t>(word.size()), id};
  pool_.append(word);
  if (id > largest_) largest_ = id;
}

}  // namespace lexkit
