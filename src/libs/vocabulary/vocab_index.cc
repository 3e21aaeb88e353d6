// Loads a vocabulary file into the vocabulary index table: the words get the
// ids 1, 2, 3, ... in the order of their lines.
#include "libs/vocabulary/vocab_index.h"

#include <stdio.h>

#include "lexkit/ac_parsetext.h"
#include "lexkit/pc_general.h"
#include "libs/vocabulary/word_list.h"

namespace lexkit {

namespace {

constexpr int kLargestShortId = 65535;

}  // namespace

int LoadVocabIndex(const char *vocab_filename, int verbosity,
                   struct idngram_hash_table *vocabulary, int M) {
  // Insertions hash with M and lookups with the table's size: they must
  // agree, or words would land in chains the table does not have.
  if (M < 1 || M != vocabulary->size)
    quit(-1,
         "read_vocab: the hash size %d does not match the table's %d chains\n",
         M, vocabulary->size);

  FILE *fp = ox_iopen(vocab_filename);
  pc_message(static_cast<unsigned short>(verbosity), 2,
             "Reading vocabulary... \n");

  VocabLines lines(fp);
  int vocab_size = 0;
  while (lines.Next()) {
    const char *word = lines.word();
    if (index2(vocabulary, word) != 0) warn_on_repeated_words(word);
    ++vocab_size;
    warn_on_wrong_vocab_comments(lines.line());
    add_to_idngram_hashtable(vocabulary,
                             static_cast<uint64_t>(idngram_hash(word, M)), word,
                             static_cast<wordid_t>(vocab_size));
    if (vocab_size == M)
      quit(-1,
           "Number of entries reached the size of the hash.  Run the program "
           "again with a larger has size -hash \n");
  }
  // A read error must not pass for the end of the vocabulary: the words
  // after it would silently become unknown.
  if (lines.failed())
    quit(-1, "read_vocab: error reading the vocabulary '%s'\n", vocab_filename);
  if (vocab_size > kLargestShortId)
    fprintf(stderr, "gramlex : vocab_size %d\n is larger than %d\n", vocab_size,
            kLargestShortId);
  ox_iclose(fp);
  return 0;
}

vocab_sz_t CountVocabEntries(const char *vocab_filename) {
  FILE *fp = ox_iopen(vocab_filename);
  VocabLines lines(fp);
  vocab_sz_t entries = 0;
  while (lines.Next()) ++entries;
  if (lines.failed())
    quit(-1, "read_vocab: error reading the vocabulary '%s'\n", vocab_filename);
  ox_iclose(fp);
  return entries;
}

}  // namespace lexkit
