// Word -> id lookups in a vocabulary index table for words that are not
// NUL-terminated (views into a read block). Gives exactly what index2 gives
// for the same bytes, without index2's per-call set-up of the modulus.
#ifndef LEXKIT_VOCAB_LOOKUP_H
#define LEXKIT_VOCAB_LOOKUP_H

#include <string.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "ac_hash.h"
#include "fastmod.h"

namespace lexkit {

class VocabLookup {
 public:
  explicit VocabLookup(struct idngram_hash_table *table)
      : table_(table), mod_(table->size > 0 ? static_cast<uint32_t>(table->size) : 1) {}

  // The id of `word`, 0 if it is not in the table. Like index2 on a C
  // string, the word ends at its first NUL byte.
  wordid_t Find(std::string_view word) const {
    const void *nul = memchr(word.data(), '\0', word.size());
    if (nul != nullptr)
      word = word.substr(0, static_cast<const char *>(nul) - word.data());
    if (table_->size < 1) return index2(table_, std::string(word).c_str());
    uint32_t h = 0;
    for (char ch : word) {
      uint32_t c = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(ch)));
      h = mod_.Mod(h * 256 + c);
    }
    for (const struct idngram_node *x = table_->chain[h]->next; x; x = x->next) {
      if (strncmp(x->word, word.data(), word.size()) == 0 &&
          x->word[word.size()] == '\0')
        return x->ind;
    }
    return 0;
  }

  // The largest id in the table (0 for an empty one).
  wordid_t LargestId() const {
    wordid_t largest = 0;
    for (int i = 0; i < table_->size; ++i)
      for (const struct idngram_node *x = table_->chain[i]->next; x; x = x->next)
        largest = std::max(largest, x->ind);
    return largest;
  }

 private:
  struct idngram_hash_table *table_;
  FastMod mod_;
};

}  // namespace lexkit

#endif  // LEXKIT_VOCAB_LOOKUP_H
