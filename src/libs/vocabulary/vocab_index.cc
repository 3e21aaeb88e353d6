// Loads a vocabulary file into the vocabulary index table: the words get the
// ids 1, 2, 3, ... in the order of their lines.
#include "libs/vocabulary/vocab_index.h"

#include <stdio.h>
#include <string.h>

#include <array>

#include "lexkit/ac_hash.h"
#include "lexkit/ac_parsetext.h"
#include "lexkit/pc_general.h"
#include "libs/base/fastmod.h"
#include "libs/base/hash.h"
#include "libs/vocabulary/word_list.h"

namespace lexkit {

namespace {

constexpr int kLargestShortId = 65535;
// Words whose chains are requested together.
constexpr size_t kBatch = 32;

// A word read but not yet in the table.
struct PendingWord {
  struct idngram_node *node;  // its copy and id, linked to nothing yet
  uint32_t chain;
  bool hash_line;    // its line begins with '#': the comment warning
  std::array<char, kVocabLineMax + 1> line;  // kept only then
};

// Links `p`'s node at the end of its chain, as add_to_idngram_hashtable
// does, first warning, as index2 would find it, when the chain already
// holds the word with an id. One walk does both.
void Append(struct idngram_hash_table *vocabulary, const PendingWord &p) {
  const char *word = p.node->word;
  struct idngram_node *t = vocabulary->chain[p.chain];
  const struct idngram_node *first_equal = nullptr;
  for (; t->next != nullptr; t = t->next)
    if (first_equal == nullptr && strcmp(t->next->word, word) == 0) first_equal = t->next;
  if (first_equal != nullptr && first_equal->ind != 0) warn_on_repeated_words(word);
  t->next = p.node;
}

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

  // The chains of a large vocabulary lie far apart in memory. Words are
  // taken a batch at a time: each word's chain index is computed once, the
  // chain pointers and heads of the whole batch are requested, then their
  // first entries, and only then are the words added in file order, with
  // the warnings in that order, so that the batch waits for memory about
  // twice instead of twice per word.
  const FastMod chains(static_cast<uint32_t>(M));
  // In a table of new_idngram_hashtable the heads lie side by side (see
  // index2); for a table built otherwise the guess only costs a request.
  const uintptr_t first_head = reinterpret_cast<uintptr_t>(vocabulary->chain[0]);
  VocabLines lines(fp);
  std::array<PendingWord, kBatch> batch;
  int vocab_size = 0;
  for (bool more = true; more;) {
    size_t n = 0;
    for (; n < kBatch && (more = lines.Next()); ++n) {
      PendingWord &p = batch[n];
      p.node = idngram_new_node(lines.word(), static_cast<wordid_t>(vocab_size) + n + 1);
      p.chain = ChainHash<256>(lines.word(), lines.word_length(), chains);
      p.hash_line = lines.line()[0] == '#';
      if (p.hash_line) strcpy(p.line.data(), lines.line());
      __builtin_prefetch(&vocabulary->chain[p.chain]);
      __builtin_prefetch(reinterpret_cast<const void *>(
          first_head + uintptr_t{p.chain} * sizeof(struct idngram_node)));
    }
    for (size_t i = 0; i < n; ++i) {
      const struct idngram_node *first = vocabulary->chain[batch[i].chain]->next;
      if (first != nullptr) __builtin_prefetch(first);
    }
    for (size_t i = 0; i < n; ++i) {
      Append(vocabulary, batch[i]);
      ++vocab_size;
      if (batch[i].hash_line) warn_on_wrong_vocab_comments(batch[i].line.data());
      if (vocab_size == M)
        quit(-1,
             "Number of entries reached the size of the hash.  Run the program "
             "again with a larger has size -hash \n");
    }
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
  while (lines.Skip()) ++entries;
  if (lines.failed())
    quit(-1, "read_vocab: error reading the vocabulary '%s'\n", vocab_filename);
  ox_iclose(fp);
  return entries;
}

}  // namespace lexkit
