// The word ids of a text: the words that WordReader gives (pieces of at
// most `max_len` bytes), each ending at its first NUL byte as a C string
// does, and each looked up in a vocabulary index table as index2 would (0
// for a word that is not there).
//
// The text is read in chunks that never cut a word (libs/io/text_chunks.h);
// the words of a chunk are looked up a batch at a time, in place, so that
// the memory waits of a large vocabulary's lookups overlap
// (VocabLookup::FindAll). Given a helper thread, the chunks are read two
// at a time, one looked up by the helper and one by this thread, and their
// ids are handed on in text order: the ids never depend on the threads.
#ifndef LEXKIT_TEXT_IDS_H
#define LEXKIT_TEXT_IDS_H

#include <stdio.h>

#include <vector>

#include "lexkit/ac_hash.h"
#include "libs/base/helper_thread.h"
#include "libs/io/text_chunks.h"
#include "libs/vocabulary/vocab_lookup.h"

namespace lexkit {

class TextIds {
 public:
  enum class Status { kId, kEnd, kError };

  // `vocabulary` must not change while the ids are read; `helper` (may be
  // null) must outlive the reader.
  TextIds(FILE *fp, struct idngram_hash_table *vocabulary, size_t max_len,
          HelperThread *helper = nullptr);
  ~TextIds();
  TextIds(const TextIds &) = delete;
  TextIds &operator=(const TextIds &) = delete;

  // The id of the next word, or the end of the text, or a read error
  // (reported once the ids of the words before it have been returned).
  Status Next(wordid_t *id) {
    if (next_ == end_ && !Fill()) return status_;
    *id = *next_++;
    return Status::kId;
  }

  // Once Next has given kEnd: reads the words of `fp` from here on, as a
  // new text, with the same vocabulary lookup.
  void Restart(FILE *fp);

  // No id that Next gives is larger (VocabLookup::LargestId).
  wordid_t LargestId() const { return lookup_.LargestId(); }

 private:
  // One chunk of a round and the ids of its words. Chunk 1 of a round is
  // looked up by the helper, chunk 0 by this thread.
  struct Lane {
    TextChunk chunk;
    std::vector<wordid_t> ids;
  };

  bool Fill();        // false when no id is left
  bool ReadRound();   // the next round's chunks; false if there is none
  void Look(Lane &lane) const;  // lane.chunk -> lane.ids

  TextChunks chunks_;
  VocabLookup lookup_;
  size_t max_len_;
  std::vector<Lane> lanes_;
  size_t lanes_read_ = 0;   // lanes of this round that hold a chunk
  size_t lane_served_ = 0;  // the lane whose ids Next gives
  const wordid_t *next_ = nullptr;
  const wordid_t *end_ = nullptr;
  bool stream_done_ = false;
  Status status_ = Status::kId;  // kEnd or kError once all ids are given
  HelperThread *helper_;  // null: this thread alone
};

}  // namespace lexkit

#endif  // LEXKIT_TEXT_IDS_H
