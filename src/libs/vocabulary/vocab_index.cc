// Loads a vocabulary file into the vocabulary index table: the words get the
// ids 1, 2, 3, ... in the order of their lines. The file is read a batch of
// words ahead of the insertions, by a helper thread where there is a core
// for one; the table and the warnings are those of one word at a time.
#include "libs/vocabulary/vocab_index.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lexkit/ac_hash.h"
#include "lexkit/ac_parsetext.h"
#include "lexkit/pc_general.h"
#include "libs/base/fastmod.h"
#include "libs/base/hash.h"
#include "libs/base/helper_thread.h"
#include "libs/base/out_of_memory.h"
#include "libs/vocabulary/word_list.h"

namespace lexkit {

namespace {

constexpr int kLargestShortId = 65535;
// Words read while the words before them are added.
constexpr size_t kWordsPerBatch = 4096;
// Words whose chains are requested together.
constexpr size_t kPrefetchGroup = 32;

// Words of the file in line order, with their chain indices.
struct WordBatch {
  std::string bytes;              // the words, each followed by a NUL
  std::vector<uint32_t> starts;   // where each word begins in `bytes`
  std::vector<uint32_t> chains;
  // The lines that begin with '#' (the comment warning), after the index
  // of their word.
  std::vector<std::pair<size_t, std::string>> hash_lines;
};

// The next words of `lines` into `batch`; false when none was left. It
// reads and computes only, and allocates nothing but the batch's memory:
// a helper thread may run it.
bool ReadBatch(VocabLines &lines, const FastMod &chains, WordBatch *batch) {
  batch->bytes.clear();
  batch->starts.clear();
  batch->chains.clear();
  batch->hash_lines.clear();
  while (batch->starts.size() < kWordsPerBatch && lines.Next()) {
    if (lines.line()[0] == '#') batch->hash_lines.emplace_back(batch->starts.size(), lines.line());
    batch->starts.push_back(static_cast<uint32_t>(batch->bytes.size()));
    batch->bytes.append(lines.word(), lines.word_length() + 1);
    batch->chains.push_back(ChainHash<256>(lines.word(), lines.word_length(), chains));
  }
  return !batch->starts.empty();
}

// Links `node` at the end of chain `chain`, as add_to_idngram_hashtable
// does, first warning, as index2 would find it, when the chain already
// holds the word with an id. One walk does both.
void Append(struct idngram_hash_table *vocabulary, uint32_t chain, struct idngram_node *node) {
  struct idngram_node *t = vocabulary->chain[chain];
  const struct idngram_node *first_equal = nullptr;
  for (; t->next != nullptr; t = t->next)
    if (first_equal == nullptr && strcmp(t->next->word, node->word) == 0) first_equal = t->next;
  if (first_equal != nullptr && first_equal->ind != 0) warn_on_repeated_words(node->word);
  t->next = node;
}

// Adds the words of `batch` in file order, with their warnings in that
// order, the next ids from *vocab_size on; false if the table became full
// (at the word that filled it: the words after it are not added).
//
// The chains of a large vocabulary lie far apart in memory: for a group
// of words, the chain pointers and heads are requested first, then the
// first entries of the chains, and only then are the words added, so that
// the group waits for memory about twice instead of twice per word.
bool AddBatch(struct idngram_hash_table *vocabulary, const WordBatch &batch, int M,
              int *vocab_size) {
  // In a table of new_idngram_hashtable the heads lie side by side (see
  // index2); for a table built otherwise the guess only costs a request.
  const uintptr_t first_head = reinterpret_cast<uintptr_t>(vocabulary->chain[0]);
  auto hash_line = batch.hash_lines.begin();
  std::array<struct idngram_node *, kPrefetchGroup> nodes;
  for (size_t group = 0; group < batch.starts.size(); group += kPrefetchGroup) {
    const size_t n = std::min(kPrefetchGroup, batch.starts.size() - group);
    for (size_t i = 0; i < n; ++i) {
      const uint32_t chain = batch.chains[group + i];
      nodes[i] = idngram_new_node(batch.bytes.data() + batch.starts[group + i],
                                  static_cast<wordid_t>(*vocab_size + i + 1));
      __builtin_prefetch(&vocabulary->chain[chain]);
      __builtin_prefetch(reinterpret_cast<const void *>(
          first_head + uintptr_t{chain} * sizeof(struct idngram_node)));
    }
    for (size_t i = 0; i < n; ++i) {
      const struct idngram_node *first = vocabulary->chain[batch.chains[group + i]]->next;
      if (first != nullptr) __builtin_prefetch(first);
    }
    for (size_t i = 0; i < n; ++i) {
      Append(vocabulary, batch.chains[group + i], nodes[i]);
      ++*vocab_size;
      if (hash_line != batch.hash_lines.end() && hash_line->first == group + i)
        warn_on_wrong_vocab_comments((hash_line++)->second.c_str());
      if (*vocab_size == M) return false;
    }
  }
  return true;
}

}  // namespace

int LoadVocabIndex(const char *vocab_filename, int verbosity,
                   struct idngram_hash_table *vocabulary, int M, unsigned threads) {
  // Insertions hash with M and lookups with the table's size: they must
  // agree, or words would land in chains the table does not have.
  if (M < 1 || M != vocabulary->size)
    quit(-1,
         "read_vocab: the hash size %d does not match the table's %d chains\n",
         M, vocabulary->size);

  FILE *fp = ox_iopen(vocab_filename);
  pc_message(static_cast<unsigned short>(verbosity), 2,
             "Reading vocabulary... \n");

  // Given a helper thread, it reads the next batch of words (lines and
  // chain indices) while this thread adds the batch before, which takes
  // the nodes, the warnings and the end of a full table: the helper never
  // quits, and what it reads shows only once this thread adds it.
  const FastMod chains(static_cast<uint32_t>(M));
  VocabLines lines(fp);
  int vocab_size = 0;
  bool full = false;
  QuitOnBadAlloc([&] {
    const std::unique_ptr<HelperThread> helper = threads >= 2 ? HelperThread::Start() : nullptr;
    WordBatch batches[2];
    bool more = ReadBatch(lines, chains, &batches[0]);
    for (int current = 0; more && !full; current = 1 - current) {
      bool next = false;
      RunShared(helper.get(), [&] { next = ReadBatch(lines, chains, &batches[1 - current]); },
                [&] { full = !AddBatch(vocabulary, batches[current], M, &vocab_size); });
      more = next;
    }
  }, [] { quit(-1, "read_vocab: out of memory\n"); });
  if (full)
    quit(-1,
         "Number of entries reached the size of the hash.  Run the program "
         "again with a larger has size -hash \n");
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
