// Loads a vocabulary file into the vocabulary index table: the words get the
// ids 1, 2, 3, ... in the order of their lines.
#include "libs/vocabulary/vocab_index.h"

#include <stdio.h>
#include <string.h>

#include <array>

#include "lexkit/ac_parsetext.h"
#include "lexkit/pc_general.h"
#include "libs/io/word_reader.h"

namespace lexkit {

namespace {

constexpr int kLargestShortId = 65535;

// The first white-space-delimited token of `line` copied into `word`
// (which is as large as the line buffer); false if the line holds none.
bool FirstToken(const char *line, char *word) {
  const char *p = line;
  while (*p != '\0' && IsCSpace(static_cast<unsigned char>(*p))) ++p;
  if (*p == '\0') return false;
  const char *start = p;
  while (*p != '\0' && !IsCSpace(static_cast<unsigned char>(*p))) ++p;
  memcpy(word, start, static_cast<size_t>(p - start));
  word[p - start] = '\0';
  return true;
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

  // A line longer than the buffer is taken in pieces of at most 499
  // characters, each treated as a line of its own.
  std::array<char, 500> line;
  std::array<char, 500> word;
  int vocab_size = 0;
  while (fgets(line.data(), static_cast<int>(line.size()), fp) != nullptr) {
    if (line[0] == '#' && line[1] == '#') continue;  // a comment line
    // A line without any token takes no id, as in the other word-list
    // readers, so that ids agree across them.
    if (!FirstToken(line.data(), word.data())) continue;
    if (index2(vocabulary, word.data()) != 0)
      warn_on_repeated_words(word.data());
    ++vocab_size;
    warn_on_wrong_vocab_comments(line.data());
    add_to_idngram_hashtable(
        vocabulary, static_cast<uint64_t>(idngram_hash(word.data(), M)),
        word.data(), static_cast<wordid_t>(vocab_size));
    if (vocab_size == M)
      quit(-1,
           "Number of entries reached the size of the hash.  Run the program "
           "again with a larger has size -hash \n");
  }
  // A read error must not pass for the end of the vocabulary: the words
  // after it would silently become unknown.
  if (ferror(fp))
    quit(-1, "read_vocab: error reading the vocabulary '%s'\n", vocab_filename);
  if (vocab_size > kLargestShortId)
    fprintf(stderr, "gramlex : vocab_size %d\n is larger than %d\n", vocab_size,
            kLargestShortId);
  ox_iclose(fp);
  return 0;
}

}  // namespace lexkit
