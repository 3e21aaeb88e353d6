// Loading a vocabulary file into the vocabulary index table (read_vocab).
#ifndef LEXKIT_LIBS_VOCABULARY_VOCAB_INDEX_H
#define LEXKIT_LIBS_VOCABULARY_VOCAB_INDEX_H

#include "lexkit/ac_hash.h"

namespace lexkit {

// vocab_index.cc: vocabulary file -> vocabulary index table.
int LoadVocabIndex(const char *vocab_filename, int verbosity,
                   struct idngram_hash_table *vocabulary, int M);

}  // namespace lexkit

#endif  // LEXKIT_LIBS_VOCABULARY_VOCAB_INDEX_H
