// Loading a vocabulary file into the vocabulary index table (read_vocab).
#ifndef LEXKIT_LIBS_VOCABULARY_VOCAB_INDEX_H
#define LEXKIT_LIBS_VOCABULARY_VOCAB_INDEX_H

#include "lexkit/ac_hash.h"
#include "lexkit/general.h"

namespace lexkit {

// vocab_index.cc: vocabulary file -> vocabulary index table, with up to
// `threads` threads (this one included) sharing the work; the table and
// the messages do not depend on their number.
int LoadVocabIndex(const char *vocab_filename, int verbosity,
                   struct idngram_hash_table *vocabulary, int M, unsigned threads);

// The number of ids LoadVocabIndex gives the words of the file, repeated
// words included: a table for it needs more chains than that.
vocab_sz_t CountVocabEntries(const char *vocab_filename);

}  // namespace lexkit

#endif  // LEXKIT_LIBS_VOCABULARY_VOCAB_INDEX_H
