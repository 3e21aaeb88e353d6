#include "libs/vocabulary/vocab_lookup.h"

#include <string.h>

#include <algorithm>
#include <vector>

#include "libs/base/fastmod.h"
#include "libs/base/hash.h"
#include "libs/base/load_bytes.h"

namespace lexkit {

namespace {

// How far ahead of their use the build requests entries and slots.
constexpr size_t kChainsAhead = 64;
constexpr size_t kInsertAhead = 16;

}  // namespace

// The findable entries of chains [from, to) in chain order, their long
// words side by side in `pool`.
struct VocabLookup::Findable {
  std::vector<Entry> entries;
  std::string pool;
  wordid_t largest_long = 0;  // the largest id of a word too long to index
};

void VocabLookup::Walk(int from, int to, Findable *found) const {
  const FastMod chains(static_cast<uint32_t>(table_->size));
  for (int i = from; i < to; ++i) {
    // The heads are usually side by side, their entries anywhere: the
    // first entry of a chain some chains ahead is requested now.
    if (i + kChainsAhead < static_cast<size_t>(to)) {
      const struct idngram_node *ahead = table_->chain[i + kChainsAhead]->next;
      if (ahead != nullptr) __builtin_prefetch(ahead);
    }
    for (const struct idngram_node *x = table_->chain[i]->next; x; x = x->next) {
      const std::string_view word(x->word);
      if (word.size() > kMaxLength) {
        // Find asks index2 for those, which may give this id.
        found->largest_long = std::max(found->largest_long, x->ind);
        continue;
      }
      if (ChainHash<256>(word.data(), word.size(), chains) != static_cast<uint32_t>(i))
        continue;
      uint64_t key = LoadFirst(word.data(), word.size());
      if (word.size() > 8) {
        key = found->pool.size();
        found->pool.append(word);
      }
      found->entries.push_back({key, HashBytes(word.data(), word.size()),
                                static_cast<uint32_t>(word.size()), x->ind});
    }
  }
}

VocabLookup::VocabLookup(struct idngram_hash_table *table, HelperThread *helper)
    : table_(table) {
  // index2 finds a node only in the chain its word hashes to, and of equal
  // words only the first: exactly those nodes are indexed, in chain order,
  // so that Insert keeps the first of equal words. Each word is read once,
  // in the walk, and long ones go to the pool at once. The walk waits for
  // memory at almost every node; with a helper, each thread walks half of
  // the chains, and the halves join in chain order.
  Findable low, high;
  if (table->size >= 1) {
    const int half = table->size / 2;
    RunShared(helper, [&] { Walk(half, table->size, &high); }, [&] { Walk(0, half, &low); });
  }
  pool_ = std::move(low.pool);
  for (Entry &e : high.entries)
    if (e.length > 8) e.key += pool_.size();
  pool_.append(high.pool);
  pool_.append(7, '\0');  // for the 8-byte loads of SameBytesPadded
  largest_ = std::max(low.largest_long, high.largest_long);
  size_t capacity = 16;
  const size_t entries = low.entries.size() + high.entries.size();
  while (capacity * 3 < entries * 4) capacity *= 2;  // at most 3/4 full
  slots_ = CheckedArray<Slot>(capacity);  // all empty: meta 0
  mask_ = capacity - 1;
  for (const std::vector<Entry> *part : {&low.entries, &high.entries}) {
    const std::vector<Entry> &findable = *part;
    for (size_t i = 0; i < findable.size(); ++i) {
      if (i + kInsertAhead < findable.size())
        __builtin_prefetch(&slots_[Home(findable[i + kInsertAhead].hash)]);
      Insert(findable[i]);
    }
  }
}

template <typename Same>
size_t VocabLookup::Locate(uint64_t hash, uint32_t meta, Same same) const {
  for (size_t i = Home(hash);; i = (i + 1) & mask_) {
    const Slot &slot = slots_[i];
    if (slot.meta == 0 || (slot.meta == meta && same(slot))) return i;
  }
}

template <bool kPadded>
size_t VocabLookup::Locate(std::string_view word, uint64_t hash) const {
  const uint32_t meta = Meta(hash, word.size());
  if (word.size() <= 8) {
    const uint64_t key = kPadded ? LoadFirstPadded(word.data(), word.size())
                                 : LoadFirst(word.data(), word.size());
    return Locate(hash, meta, [key](const Slot &slot) { return slot.key == key; });
  }
  return Locate(hash, meta, [&](const Slot &slot) {
    const char *stored = pool_.data() + slot.key;
    return kPadded ? SameBytesPadded(stored, word.data(), word.size())
                   : memcmp(stored, word.data(), word.size()) == 0;
  });
}

void VocabLookup::Insert(const Entry &entry) {
  const size_t length = entry.length;
  const uint32_t meta = Meta(entry.hash, length);
  Slot &slot = slots_[Locate(entry.hash, meta, [&](const Slot &s) {
    return length <= 8 ? s.key == entry.key
                       : memcmp(pool_.data() + s.key, pool_.data() + entry.key, length) == 0;
  })];
  if (slot.meta != 0) return;  // a later entry of the same word: index2 never returns it
  slot = Slot{entry.key, meta, entry.id};
  if (entry.id > largest_) largest_ = entry.id;
}

wordid_t VocabLookup::Find(std::string_view word) const {
  const void *nul = memchr(word.data(), '\0', word.size());
  if (nul != nullptr) word = word.substr(0, static_cast<const char *>(nul) - word.data());
  // index2 itself for what the table does not hold, and for a table
  // without chains, whose warnings it gives.
  if (word.size() > kMaxLength || table_->size < 1)
    return index2(table_, std::string(word).c_str());
  return slots_[Locate<false>(word, HashBytes(word.data(), word.size()))].id;
}

void VocabLookup::FindAll(const std::string_view *words, size_t n, wordid_t *ids) const {
  if (table_->size < 1) {
    for (size_t i = 0; i < n; ++i) ids[i] = Find(words[i]);
    return;
  }
  // Three passes, so that the batch waits about twice for memory instead
  // of once or twice per word: every home slot is requested; then, as the
  // slots arrive, the stored copy of each long word that probably matches;
  // then the words are compared.
  uint64_t hashes[kMaxBatch];
  for (size_t i = 0; i < n; ++i) {
    hashes[i] = HashPaddedBytes(words[i].data(), words[i].size());
    __builtin_prefetch(&slots_[Home(hashes[i])]);
  }
  for (size_t i = 0; i < n; ++i) {
    if (words[i].size() <= 8) continue;
    const Slot &home = slots_[Home(hashes[i])];
    if (home.meta == Meta(hashes[i], words[i].size()))
      __builtin_prefetch(pool_.data() + home.key);
  }
  for (size_t i = 0; i < n; ++i) {
    ids[i] = words[i].size() > kMaxLength ? Find(words[i])
                                          : slots_[Locate<true>(words[i], hashes[i])].id;
  }
}

}  // namespace lexkit
