// The vocabulary index table and the loading of vocabulary files into it.
#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "lexkit/ac_hash.h"
#include "lexkit/ac_lmfunc_impl.h"
#include "libs/vocabulary/vocab_index.h"
#include "libs/vocabulary/vocab_lookup.h"
#include "test_support.h"

using lexkit_test::RunChild;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

// The hash as defined: h = (h * 256 + signed byte) mod M, unsigned 32-bit.
int ReferenceHash(const std::string &word, int M) {
  uint32_t h = 0;
  for (char ch : word) {
    uint32_t c = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(ch)));
    h = (h * 256u + c) % static_cast<uint32_t>(M);
  }
  return static_cast<int>(h);
}

std::string RandomWord(std::mt19937 &rng) {
  std::string w(1 + rng() % 12, 'a');
  for (char &c : w) c = static_cast<char>(1 + rng() % 255);  // high bytes too
  return w;
}

TEST(VocabIndexTable, HashMatchesDefinition) {
  EXPECT_EQ(idngram_hash("ab", 1000), 930);
  for (int M : {1, 2, 7, 1000, 65536, 1000003, 2147483647}) EXPECT_EQ(idngram_hash("", M), 0);
  std::mt19937 rng(3);
  for (int i = 0; i < 2000; ++i) {
    std::string w = RandomWord(rng);
    int M = 1 + static_cast<int>(rng() % (i % 2 ? 100 : 2147483646u));
    ASSERT_EQ(idngram_hash(w.c_str(), M), ReferenceHash(w, M)) << M;
  }
}

TEST(VocabIndexTable, LookupsAreExactAndKeepTheFirstEntry) {
  idngram_hash_table empty;
  new_idngram_hashtable(&empty, 11);
  EXPECT_EQ(index2(&empty, "HEAD_NODE"), 0u);
  EXPECT_EQ(index2(&empty, "the"), 0u);

  // One chain: every word collides.
  for (int M : {1, 11}) {
    idngram_hash_table t;
    new_idngram_hashtable(&t, M);
    auto add = [&](const char *w, wordid_t id) {
      add_to_idngram_hashtable(&t, static_cast<uint64_t>(idngram_hash(w, M)), w, id);
    };
    add("the", 1);
    add("cat", 5);
    add("cat", 9);
    add("\x80\xff word", 4294967295u);
    add("HEAD_NODE", 7);
    EXPECT_EQ(index2(&t, "the"), 1u);
    EXPECT_EQ(index2(&t, "The"), 0u);
    EXPECT_EQ(index2(&t, "cat"), 5u);
    EXPECT_EQ(index2(&t, "\x80\xff word"), 4294967295u);
    EXPECT_EQ(index2(&t, "HEAD_NODE"), 7u);
    EXPECT_EQ(index2(&t, "ca"), 0u);
  }
}

TEST(VocabIndexTable, BlockLookupAgreesWithIndex2) {
  std::mt19937 rng(11);
  idngram_hash_table t;
  new_idngram_hashtable(&t, 101);
  std::vector<std::string> words;
  for (wordid_t id = 1; id <= 500; ++id) {
    words.push_back(RandomWord(rng));
    add_to_idngram_hashtable(&t, static_cast<uint64_t>(idngram_hash(words.back().c_str(), 101)),
                             words.back().c_str(), id);
  }
  // A repeated word, and a node linked into a chain it does not hash to:
  // index2 finds neither.
  add_to_idngram_hashtable(&t, static_cast<uint64_t>(idngram_hash(words[3].c_str(), 101)),
                           words[3].c_str(), 900);
  std::string misplaced = "misplaced";
  add_to_idngram_hashtable(&t, static_cast<uint64_t>((idngram_hash("misplaced", 101) + 1) % 101),
                           misplaced.c_str(), 901);
  // Words past the 16 bytes of the hash's short path, and one longer than
  // the lookup table holds.
  for (size_t length : {size_t{17}, size_t{40}, lexkit::VocabLookup::kMaxLength + 1}) {
    words.push_back(std::string(length, 'x') + RandomWord(rng));
    add_to_idngram_hashtable(&t, static_cast<uint64_t>(idngram_hash(words.back().c_str(), 101)),
                             words.back().c_str(), static_cast<wordid_t>(words.size()));
  }
  lexkit::VocabLookup lookup(&t);
  EXPECT_EQ(lookup.LargestId(), 503u);
  EXPECT_EQ(lookup.Find(words[3]), 4u);
  EXPECT_EQ(lookup.Find(misplaced), 0u);
  EXPECT_EQ(lookup.Find(words.back()), 503u);
  std::vector<std::string> probes;
  for (int i = 0; i < 2000; ++i) {
    std::string w = i % 2 ? words[rng() % words.size()] : RandomWord(rng);
    if (i % 5 == 0) w = w.substr(0, w.size() / 2);
    ASSERT_EQ(lookup.Find(w), index2(&t, w.c_str())) << i;
    probes.push_back(w);
  }
  // A word ends at its first NUL byte, as a C string does.
  std::string with_nul = words[0] + std::string("\0tail", 5);
  EXPECT_EQ(lookup.Find(with_nul), 1u);

  // The same words in batches of every size, side by side in one buffer.
  std::string bytes;
  for (const std::string &w : probes) bytes += w;
  bytes.append(lexkit::VocabLookup::kPadding, '\xff');
  std::vector<std::string_view> views;
  for (size_t at = 0, i = 0; i < probes.size(); at += probes[i++].size())
    views.emplace_back(bytes.data() + at, probes[i].size());
  for (size_t at = 0, batch = 1; at < views.size(); at += batch, batch = batch % 64 + 1) {
    const size_t n = std::min(batch, views.size() - at);
    wordid_t ids[lexkit::VocabLookup::kMaxBatch];
    lookup.FindAll(&views[at], n, ids);
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(ids[i], lookup.Find(views[at + i])) << at + i;
  }
}

// Loads `content` with M chains in a child; prints the ids of `probe`.
lexkit_test::ChildResult Load(const std::string &content, int M,
                              const std::vector<std::string> &probe,
                              int verbosity = 2) {
  ScratchDir dir;
  std::string path = dir.File("v.vocab");
  WriteFile(path, content);
  return RunChild([&] {
    idngram_hash_table t;
    new_idngram_hashtable(&t, M);
    int rc = read_vocab(path.c_str(), verbosity, &t, M);
    printf("rc=%d", rc);
    for (const std::string &w : probe) printf(" %u", index2(&t, w.c_str()));
  });
}

const char kRepeated[] =
    "======================================================\n"
    "WARNING: word a is repeated in the vocabulary.\n"
    "=======================================================\n";

std::string SingleHashWarning(const std::string &line) {
  return "\n\n===========================================================\n"
         ":\nWARNING: line assumed NOT a comment:\n"
         ">>> " + line + " <<<\n"
         "         '" + line + "' will be included in the vocabulary.\n"
         "         (comments must start with '##')\n"
         "===========================================================\n\n";
}

TEST(ReadVocab, GivesIdsInLineOrder) {
  const std::string reading = "Reading vocabulary... \n";
  struct Case {
    std::string content;
    int M;
    std::vector<std::string> probe;
    std::string out, err;
  } cases[] = {
      {"## header\nthe\ncat\n", 100, {"the", "cat", "dog", "## header"},
       "rc=0 1 2 0 0", reading},
      {"the 42\n", 100, {"the", "42", "the 42"}, "rc=0 1 0 0", reading},
      {"#foo\n##bar\nx\n", 100, {"#foo", "##bar", "x"}, "rc=0 1 0 2",
       reading + SingleHashWarning("#foo\n")},
      {"a\nb\na\nc\n", 100, {"a", "b", "c"}, "rc=0 1 2 4", reading + kRepeated},
      // Lines without a token take no id.
      {"a\n\n  \t \nb", 100, {"a", "b"}, "rc=0 1 2", reading},
      {"  lead\ttab\n", 7, {"lead", "tab"}, "rc=0 1 0", reading},
      {"a\nb\n", 3, {"a", "b"}, "rc=0 1 2", reading},
      {"", 3, {"a"}, "rc=0 0", reading},
  };
  for (const Case &c : cases) {
    auto r = Load(c.content, c.M, c.probe);
    EXPECT_EQ(r.status, 0) << c.content;
    EXPECT_EQ(r.out, c.out) << c.content;
    EXPECT_EQ(r.err, c.err) << c.content;
  }
  auto quiet = Load("a\n", 5, {"a"}, 1);
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.out, "rc=0 1");
}

// Words are read a batch at a time (by a helper thread where there is a
// core for it) and added in groups: repeats within and across batches, in
// a table of about one chain per word, warn in line order, each before the
// comment warning of its own line, as one word at a time would, and a
// table that fills up in the second batch shows nothing of the lines after.
TEST(ReadVocab, WarningsComeInLineOrderAcrossBatches) {
  std::string content, expected = "Reading vocabulary... \n", until_full;
  std::vector<std::string> seen;
  std::mt19937 rng(5);
  const int kFullAt = 5000;
  for (int i = 0; i < 10000; ++i) {
    const std::string word = (rng() % 3 == 0 ? "#" : "") + std::to_string(rng() % 6000);
    content += word + "\n";
    if (std::find(seen.begin(), seen.end(), word) != seen.end())
      expected += "======================================================\n"
                  "WARNING: word " + word + " is repeated in the vocabulary.\n"
                  "=======================================================\n";
    if (word[0] == '#') expected += SingleHashWarning(word + "\n");
    seen.push_back(word);
    if (i + 1 == kFullAt) until_full = expected;
  }
  const std::string full_message =
      "Number of entries reached the size of the hash.  Run the program "
      "again with a larger has size -hash \n";
  const auto first = [&](const std::string &w) {
    return std::to_string(std::find(seen.begin(), seen.end(), w) - seen.begin() + 1);
  };
  ScratchDir dir;
  const std::string path = dir.File("v.vocab");
  WriteFile(path, content);
  for (unsigned threads : {1u, 2u}) {
    for (int M : {10007, kFullAt}) {
      auto r = RunChild([&] {
        idngram_hash_table t;
        new_idngram_hashtable(&t, M);
        lexkit::LoadVocabIndex(path.c_str(), 2, &t, M, threads);
        printf("%u %u", index2(&t, seen[0].c_str()), index2(&t, seen[9999].c_str()));
      });
      if (M == kFullAt) {
        EXPECT_EQ(r.status, 255) << threads;
        EXPECT_EQ(r.err, until_full + full_message) << threads;
      } else {
        EXPECT_EQ(r.status, 0) << threads;
        EXPECT_EQ(r.err, expected) << threads;
        EXPECT_EQ(r.out, "1 " + first(seen[9999])) << threads;
      }
    }
  }
}

TEST(ReadVocab, LongLinesAreTakenInPiecesOf499) {
  std::string first(499, 'x');
  std::string line = first + "yy tail" + std::string(94, 'z');  // 600 chars
  auto r = Load(line + "\nnext\n", 100, {first, "yy", "next", first + "yy"});
  EXPECT_EQ(r.out, "rc=0 1 2 3 0");
  // A word of exactly 499 characters leaves only the line end to the next
  // piece, which takes no id.
  r = Load(first + "\nnext\n", 100, {first, "next"});
  EXPECT_EQ(r.out, "rc=0 1 2");
}

TEST(ReadVocab, LimitsAndFatalErrors) {
  auto full = Load("a\nb\nc\nd\n", 3, {});
  EXPECT_EQ(full.status, 255);
  EXPECT_EQ(full.out, "");
  EXPECT_EQ(full.err,
            "Reading vocabulary... \n"
            "Number of entries reached the size of the hash.  Run the program "
            "again with a larger has size -hash \n");

  std::string many;
  for (int i = 1; i <= 65536; ++i) many += "w" + std::to_string(i) + "\n";
  auto big = Load(many, 100003, {"w1", "w65536"});
  EXPECT_EQ(big.status, 0);
  EXPECT_EQ(big.out, "rc=0 1 65536");
  EXPECT_EQ(big.err,
            "Reading vocabulary... \n"
            "gramlex : vocab_size 65536\n is larger than 65535\n");

  auto r = RunChild([] {
    idngram_hash_table t;
    new_idngram_hashtable(&t, 10);
    read_vocab("-", 2, &t, 20);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "read_vocab: the hash size 20 does not match the table's 10 chains\n");

  // A read error is not the end of the vocabulary.
  ScratchDir dir;
  r = RunChild([&] {
    idngram_hash_table t;
    new_idngram_hashtable(&t, 10);
    read_vocab(dir.path().c_str(), 2, &t, 10);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "Reading vocabulary... \nread_vocab: error reading the vocabulary '" +
                       dir.path() + "'\n");
}

}  // namespace
