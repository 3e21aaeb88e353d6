// The word ids of a text: the words that WordReader gives (pieces of at
// most `max_len` bytes), each ending at its first NUL byte as a C string
// does, and each looked up in a vocabulary index table as index2 would (0
// for a word that is not there).
//
// The words are read a batch at a time into a buffer of their own and
// looked up together (VocabLookup::FindAll), so that the memory waits of a
// large vocabulary's lookups overlap.
#ifndef LEXKIT_TEXT_IDS_H
#define LEXKIT_TEXT_IDS_H

#include <stdio.h>

#include <string_view>
#include <vector>

#include "lexkit/ac_hash.h"
#include "libs/io/word_reader.h"
#include "libs/vocabulary/vocab_lookup.h"

namespace lexkit {

class TextIds {
 public:
  enum class Status { kId, kEnd, kError };

  // `vocabulary` must not change while the ids are read.
  TextIds(FILE *fp, struct idngram_hash_table *vocabulary, size_t max_len);

  // The id of the next word, or the end of the text, or a read error
  // (reported once the ids of the words before it have been returned).
  Status Next(wordid_t *id) {
    if (next_ == count_ && !Fill()) return status_;
    *id = ids_[next_++];
    return Status::kId;
  }

  // No id that Next gives is larger (VocabLookup::LargestId).
  wordid_t LargestId() const { return lookup_.LargestId(); }

 private:
  static constexpr size_t kBatch = VocabLookup::kMaxBatch;

  bool Fill();  // false when no word is left

  WordReader reader_;
  VocabLookup lookup_;
  std::vector<char> bytes_;  // the batch's words side by side, then padding
  std::string_view words_[kBatch];
  wordid_t ids_[kBatch];
  size_t next_ = 0;
  size_t count_ = 0;
  Status status_ = Status::kId;  // kEnd or kError once the reader said so
};

}  // namespace lexkit

#endif  // LEXKIT_TEXT_IDS_H
