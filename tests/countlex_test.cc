// countlex_impl against the chained table fed by fscanf("%500s"), and the
// countlex command line.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "lexkit/ac_hash.h"
#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/general.h"
#include "lexkit/pc_general.h"
#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::RunChild;
using lexkit_test::RunProgram;
using lexkit_test::RunShell;

namespace {

const char kUsage[] =
    "countlex : Generate a word frequency list for text.\n"
    "Usage : countlx [ -hash 1000000 ]\n"
    "                  [ -verbosity 2 ]\n"
    "                  < .text > .wfreq\n";
const char kOpening[] = "countlex : Reading text from standard input...\n";
const char kDone[] = "countlex : Done.\n";

// The word counting done the plain way: a scan call per word into the
// chained table, which then prints itself.
void ChainedCount(int init_nwords, int verbosity) {
  struct hash_table vocab;
  new_hashtable(&vocab, nearest_prime(init_nwords));
  char word[501];
  while (fscanf(stdin, "%500s", word) == 1) {
    if (strlen(word) == 500)
      pc_message(static_cast<unsigned short>(verbosity), 1,
                 "countlex : WARNING: word too long, will be split: %s...\n", word);
    if (strlen(word) != 0) update(&vocab, word, verbosity);
  }
  if (!feof(stdin)) quit(-1, "Error reading input\n");
  print(stdout, &vocab);
}

ChildResult Reference(const std::string &text, int init_nwords, int verbosity) {
  return RunChild([&] { ChainedCount(init_nwords, verbosity); }, text);
}

ChildResult Impl(const std::string &text, int init_nwords, int verbosity) {
  return RunChild([&] { countlex_impl(stdin, stdout, init_nwords, verbosity); },
                  text);
}

// Text from a small alphabet (so words repeat) with high bytes, NULs, CR-LF
// line ends and every white-space byte, plus runs that cross the 500-byte
// limit, sometimes with a NUL inside.
std::string RandomText(std::mt19937 &rng, size_t approx_size) {
  static const char kWordBytes[] = "abcAB.\xE9\xFF\x80";
  static const char *const kSpaces[] = {" ", "\n", "\r\n", "\t", "\v", "\f", "\r", "  "};
  std::string text;
  while (text.size() < approx_size) {
    unsigned kind = rng() % 100;
    size_t len = kind < 2 ? 450 + rng() % 700 : 1 + rng() % 18;
    for (size_t i = 0; i < len; ++i)
      text += kWordBytes[rng() % (sizeof kWordBytes - 1)];
    if (kind < 4) text.insert(text.size() - rng() % len, 1, '\0');
    text += kSpaces[rng() % 8];
  }
  return text;
}

TEST(CountlexImpl, MatchesTheChainedTableOnRandomTexts) {
  std::mt19937 rng(2024);
  // The last size spans several input blocks and makes the table grow.
  const size_t sizes[] = {0, 1, 200, 3000, 20000, 900000};
  for (size_t size : sizes) {
    std::string text = RandomText(rng, size);
    for (int init_nwords : {1000000, 10, 0, 1, 100}) {
      if (size > 20000 && init_nwords < 10) continue;  // quadratic reference
      for (int verbosity : {0, 2}) {
        ChildResult want = Reference(text, init_nwords, verbosity);
        ChildResult got = Impl(text, init_nwords, verbosity);
        EXPECT_EQ(got.status, 0);
        EXPECT_EQ(got.status, want.status);
        EXPECT_TRUE(got.out == want.out)
            << "size " << size << " init_nwords " << init_nwords;
        EXPECT_TRUE(got.err == want.err)
            << "size " << size << " init_nwords " << init_nwords;
      }
    }
  }
}

TEST(CountlexImpl, MatchesTheChainedTableWithManyDistinctWords) {
  // Enough distinct words for the table to outgrow the caches, where words
  // are queued before they are counted.
  std::mt19937 rng(99);
  std::vector<std::string> vocabulary(150000);
  for (std::string &w : vocabulary)
    for (int k = 0, n = 3 + rng() % 12; k < n; ++k) w += static_cast<char>('a' + rng() % 26);
  std::string text;
  for (int i = 0; i < 400000; ++i)
    text += vocabulary[i < 150000 ? i : rng() % 1000] + (i % 17 ? " " : "\n");
  for (int init_nwords : {1000000, 50000}) {
    ChildResult want = Reference(text, init_nwords, 2);
    ChildResult got = Impl(text, init_nwords, 2);
    EXPECT_EQ(got.status, 0);
    EXPECT_TRUE(got.out == want.out) << init_nwords;
    EXPECT_EQ(got.err, want.err);
  }
}

TEST(CountlexImpl, DocumentedExamples) {
  std::string long_run;
  for (int i = 0; i < 1200; ++i) long_run += static_cast<char>('a' + i / 500);
  const std::string a500(500, 'a'), b500(500, 'b'), c200(200, 'c');
  struct Case {
    std::string text;
    int init_nwords, verbosity;
    std::string out, err;
  } cases[] = {
      {"the cat the", 1000000, 2, "cat 1\nthe 2\n", ""},
      {"", 1000000, 2, "", ""},
      {" \t\n\r\v\f  \n", 1000000, 2, "", ""},
      // Chains of 11: the -> 5, cat -> 10.
      {"the cat the", 10, 2, "the 2\ncat 1\n", ""},
      {"b a c a", 0, 2, "a 2\nb 1\nc 1\n", ""},
      {"The the end end.", 0, 2, "The 1\nend 1\nend. 1\nthe 1\n", ""},
      {long_run, 1, 1, a500 + " 1\n" + b500 + " 1\n" + c200 + " 1\n",
       "countlex : WARNING: word too long, will be split: " + a500 + "...\n"
       "countlex : WARNING: word too long, will be split: " + b500 + "...\n"},
      {long_run, 1, 0, a500 + " 1\n" + b500 + " 1\n" + c200 + " 1\n", ""},
      // A piece is a C string: it ends at its first NUL, and a piece that
      // starts with NUL is not counted.
      {std::string("ab\0cd ab \0x", 11), 1, 2, "ab 2\n", ""},
      {std::string(499, 'x') + std::string(1, '\0') + "y", 1, 1,
       std::string(499, 'x') + " 1\ny 1\n", ""},
  };
  for (const Case &c : cases) {
    ChildResult r = Impl(c.text, c.init_nwords, c.verbosity);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.out) << c.text.substr(0, 40);
    EXPECT_EQ(r.err, c.err) << c.text.substr(0, 40);
  }
  // A negative size would leave a table without chains and an empty list.
  ChildResult r = Impl("the cat", -4, 1);
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "countlex_impl: the hash size -4 gives no chains to count words in\n");
}

TEST(CountlexImpl, HugeTablesOrderByChainThenBytes) {
  // A table this large is never allocated; the order is still that of its
  // chains.
  std::mt19937 rng(5);
  std::vector<std::string> words;
  std::string text;
  for (int i = 0; i < 3000; ++i) {
    std::string w;
    for (int k = 0, n = 1 + rng() % 6; k < n; ++k) w += static_cast<char>('a' + rng() % 4);
    text += w + " ";
    words.push_back(w);
  }
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  const int M = 2147483647;
  std::stable_sort(words.begin(), words.end(), [&](const std::string &a, const std::string &b) {
    return static_cast<unsigned>(hash(a.c_str(), M)) < static_cast<unsigned>(hash(b.c_str(), M));
  });
  ChildResult r = Impl(text, M - 1, 2);
  std::vector<std::string> printed;
  std::istringstream lines(r.out);
  for (std::string w, count; lines >> w >> count;) printed.push_back(w);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(printed, words);
}

TEST(CountlexImpl, ReadErrorEndsTheProcess) {
  auto r = RunChild([] {
    FILE *dir = fopen("/", "r");
    countlex_impl(dir, stdout, 1000000, 2);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Error reading input\n");
}

TEST(CountlexCommand, OptionsMessagesAndExitStatus) {
  const std::string text = "the cat the\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  } cases[] = {
      {{}, 0, "cat 1\nthe 2\n", std::string(kOpening) + kDone},
      {{"-verbosity", "0"}, 0, "cat 1\nthe 2\n", kDone},
      {{"-verbosity", "1", "-hash", "10"}, 0, "the 2\ncat 1\n", kDone},
      {{"-help"}, 1, "", kUsage},
      {{"-hash", "10", "-help", "-bogus"}, 1, "", kUsage},
      {{"-verbosity", "0", "-help"}, 1, "", kUsage},
      {{"-bogus"}, 255, "",
       "countlex : Error : unrecognised argument '-bogus'.\n"
       "countlex : Run 'countlex -help' for the options.\n"},
  };
  for (const Case &c : cases) {
    ChildResult r = RunProgram("countlex", c.args, text);
    std::string args;
    for (const auto &a : c.args) args += a + " ";
    EXPECT_EQ(r.status, c.status) << args;
    EXPECT_EQ(r.out, c.out) << args;
    EXPECT_EQ(r.err, c.err) << args;
  }
}

TEST(CountlexCommand, EmptyInputAndLongWords) {
  ChildResult r = RunProgram("countlex", {}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, std::string(kOpening) + kDone);

  std::string run = std::string(500, 'x') + std::string(500, 'y') + std::string(200, 'z');
  r = RunProgram("countlex", {"-verbosity", "1", "-hash", "0"}, run + "\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string(500, 'x') + " 1\n" + std::string(500, 'y') + " 1\n" +
                       std::string(200, 'z') + " 1\n");
  EXPECT_EQ(r.err, "countlex : WARNING: word too long, will be split: " +
                       std::string(500, 'x') + "...\n" +
                       "countlex : WARNING: word too long, will be split: " +
                       std::string(500, 'y') + "...\n" + kDone);
}

TEST(CountlexCommand, FailuresEndWithStatus255) {
  const std::string countlex = lexkit_test::ProgramPath("countlex");
  ChildResult r = RunShell(countlex + " < /");
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, std::string(kOpening) + "Error reading input\n");

  // Output that cannot be written is an error, small or large.
  for (int words : {1, 200000}) {
    std::string text;
    for (int i = 0; i < words; ++i) text += "w" + std::to_string(i) + " ";
    r = RunShell(countlex + " > /dev/full", text);
    EXPECT_EQ(r.status, 255) << words;
    EXPECT_EQ(r.err, std::string(kOpening) +
                         "countlex : Error writing the word frequency list: "
                         "No space left on device\n")
        << words;
  }
}

}  // namespace
