// Vocabulary selection: the block reader of word frequency lists against the
// fscanf loop it replaces, picklex_impl's selection, messages and failures,
// and the picklex command.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/general.h"
#include "libs/io/frequency_list_reader.h"
#include "test_support.h"

using lexkit::FrequencyListReader;
using lexkit_test::ProgramPath;
using lexkit_test::RunChild;
using lexkit_test::RunProgram;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;

namespace {

using Records = std::vector<std::pair<std::string, int>>;

struct Parsed {
  Records records;
  bool malformed = false;
  bool operator==(const Parsed &o) const {
    return records == o.records && malformed == o.malformed;
  }
};

std::ostream &operator<<(std::ostream &os, const Parsed &p) {
  for (const auto &r : p.records) os << "[" << r.first << " " << r.second << "]";
  return os << (p.malformed ? " malformed" : " end");
}

// The loop the reader replaces: fscanf("%s %d") while ox_feof reports more
// input. (The width only keeps the reference itself safe.)
Parsed ReadWithScanf(const std::string &path) {
  Parsed p;
  FILE *fp = fopen(path.c_str(), "rb");
  std::vector<char> word(1000);
  int count = 0;
  while (!ox_feof(fp)) {
    if (fscanf(fp, "%999s %d", word.data(), &count) == 2) {
      p.records.emplace_back(word.data(), count);
    } else if (ox_feof(fp)) {
      break;
    } else {
      p.malformed = true;
      break;
    }
  }
  fclose(fp);
  return p;
}

Parsed ReadWithBlocks(const std::string &path, size_t block) {
  Parsed p;
  FILE *fp = fopen(path.c_str(), "rb");
  FrequencyListReader reader(fp, block);
  std::string_view word;
  int count = 0;
  FrequencyListReader::Status s;
  while ((s = reader.Next(&word, &count)) == FrequencyListReader::Status::kRecord)
    p.records.emplace_back(std::string(word).c_str(), count);  // C string, as scanned
  p.malformed = s == FrequencyListReader::Status::kBadCount;
  EXPECT_NE(s, FrequencyListReader::Status::kLongWord);
  EXPECT_NE(s, FrequencyListReader::Status::kReadError);
  fclose(fp);
  return p;
}

void ExpectSameAsScanf(const ScratchDir &dir, const std::string &text,
                       const std::string &label) {
  std::string path = dir.File("list");
  lexkit_test::WriteFile(path, text);
  Parsed expected = ReadWithScanf(path);
  for (size_t block : {1, 2, 3, 7, 64, 1 << 20})
    EXPECT_EQ(ReadWithBlocks(path, block), expected) << label << " block " << block;
}

TEST(FrequencyListReader, AcceptsExactlyWhatTheScanfLoopAccepts) {
  ScratchDir dir;
  const std::string cases[] = {
      "", " \n\t\r\v\f", "a 1\n", "a 1", "a 1\nb\n", "a 1\nb", "a 1\nb  \n\n",
      "a 1\nb x\n", "a x", "a 1 2\n", "a 1 2 3", "a 12b 3\n", "a 1x\n",
      "a -5\n", "a +5\n", "a - 5\n", "a -\n", "a -", "a +", "a --1\n", "a 1-2",
      "a\n\n\n5\n", "a\t1\r\nb\v2\fc 3", "a 007\n", "a -0\n", "\x80\xff 3\n",
      "a 2147483647\nb -2147483648\n", "a 1\n  \n", "a 1\n#x 2\n## 3\n",
      std::string("a\0b 4\nc 5\n", 11), std::string("a \0", 3),
  };
  for (const std::string &text : cases) ExpectSameAsScanf(dir, text, text);

  // Random lists of short words, counts and stray characters.
  std::mt19937 rng(11);
  const char alphabet[] = "ab19-+ \n\t";
  for (int round = 0; round < 300; ++round) {
    std::string text;
    int len = rng() % 60;
    for (int i = 0; i < len; ++i) text += alphabet[rng() % (sizeof alphabet - 1)];
    if (text.find("99999999") != std::string::npos) continue;  // stay in int range
    ExpectSameAsScanf(dir, text, "random: " + text);
  }
}

TEST(FrequencyListReader, LimitsWordsTo749BytesAndCountsToInt) {
  ScratchDir dir;
  const std::string w749(749, 'w'), w750(750, 'w');
  struct Case {
    std::string text;
    FrequencyListReader::Status last;
    size_t records;
    long long line;  // of the last word looked at
  } cases[] = {
      {"a 1\n" + w749 + " 2\n", FrequencyListReader::Status::kEnd, 2, 2},
      {"a 1\n\n" + w750 + " 2\n", FrequencyListReader::Status::kLongWord, 1, 3},
      {"a 1\n" + w749 + "x", FrequencyListReader::Status::kLongWord, 1, 2},
      {std::string(5000, 'w'), FrequencyListReader::Status::kLongWord, 0, 1},
      {"a 2147483648\n", FrequencyListReader::Status::kBadCount, 0, 1},
      {"a 1\nb -2147483649", FrequencyListReader::Status::kBadCount, 1, 2},
      {"a 99999999999999999999999\n", FrequencyListReader::Status::kBadCount, 0, 1},
      {"a 000000000000000000000002147483647\n", FrequencyListReader::Status::kEnd, 1, 1},
  };
  for (const Case &c : cases) {
    for (size_t block : {1, 5, 700, 1 << 20}) {
      std::string path = dir.File("list");
      lexkit_test::WriteFile(path, c.text);
      FILE *fp = fopen(path.c_str(), "rb");
      FrequencyListReader reader(fp, block);
      std::string_view word;
      int count = 0;
      size_t records = 0;
      FrequencyListReader::Status s;
      while ((s = reader.Next(&word, &count)) == FrequencyListReader::Status::kRecord) {
        ++records;
        EXPECT_LE(word.size(), FrequencyListReader::kMaxWordLength);
      }
      fclose(fp);
      std::string label = c.text.substr(0, 40) + " block " + std::to_string(block);
      EXPECT_EQ(s, c.last) << label;
      EXPECT_EQ(records, c.records) << label;
      EXPECT_EQ(reader.word_line(), c.line) << label;
    }
  }
}

TEST(FrequencyListReader, ReportsAReadErrorRatherThanAnEnd) {
  FILE *fp = fopen("/", "rb");  // a directory: reading it fails
  ASSERT_NE(fp, nullptr);
  FrequencyListReader reader(fp);
  std::string_view word;
  int count;
  EXPECT_EQ(reader.Next(&word, &count), FrequencyListReader::Status::kReadError);
  fclose(fp);
}

// What picklex_impl writes.
std::string TopAnnounce(int n) {
  return "picklex : Will generate a vocabulary containing the most\n"
         "              frequent " +
         std::to_string(n) + " words. Reading wfreq stream from stdin...\n";
}
std::string GtAnnounce(int n) {
  return "picklex : Will generate a vocabulary containing all words which\n"
         "              occurred more that " +
         std::to_string(n) + " times. Reading wfreq stream from stdin...\n";
}
std::string Header(int n) {
  return "## Vocab generated by v2 of the Brackenmoor Statistcal\n"
         "## Language Modeling toolkit.\n"
         "##\n"
         "## Includes " +
         std::to_string(n) + " words ##\n";
}
const char kDone[] = "picklex : Done.\n";
const char kZero[] = "Warning : Vocab size = 0.\n";
const char kBadCounts[] = "Error reading unigram counts from standard input.\n";
const std::string kBigVocab =
    "Warning : Vocab size exceeds 65535. This might cause problems with \n"
    "other tools, since word id's are stored in 2 bytes.\n";

std::string Limit(int num_recs) {
  return "The number of records " + std::to_string(num_recs + 1) +
         " reach the user-defined limit " + std::to_string(num_recs) +
         ", consider to increase the number of records by -records\n";
}

struct ImplCase {
  const char *what;
  int cutoff, vocab_size, num_recs, verbosity;
  std::string input;
  int status;
  std::string out, err;
};

TEST(PicklexImpl, SelectsSortsAndReports) {
  const std::string list = "the 5\ncat 3\nThe 3\ndog 1\nzebra 7\n";
  const std::string w749(749, 'w');
  const ImplCase cases[] = {
      {"no option: the 20000 most frequent, i.e. all, in byte order", -1, -1,
       100, 2, list, 0, Header(5) + "The\ncat\ndog\nthe\nzebra\n",
       TopAnnounce(20000) + kDone},
      {"top 3: ties at the cut go to the earlier line", -1, 3, 100, 2, list,
       0, Header(3) + "cat\nthe\nzebra\n", TopAnnounce(3) + kDone},
      {"top 2 cuts between distinct counts", -1, 2, 100, 2, list, 0,
       Header(2) + "the\nzebra\n", TopAnnounce(2) + kDone},
      {"top larger than the list", -1, 50, 100, 2, list, 0,
       Header(5) + "The\ncat\ndog\nthe\nzebra\n", TopAnnounce(50) + kDone},
      {"top 0", -1, 0, 100, 2, list, 0, Header(0), TopAnnounce(0) + kZero + kDone},
      {"a negative size selects nothing", -1, -7, 100, 2, list, 0, Header(0),
       TopAnnounce(-7) + kZero + kDone},
      {"gt 10 leaves out 10, takes 11", 10, -1, 100, 2, "ten 10\neleven 11\n",
       0, Header(1) + "eleven\n",
       GtAnnounce(10) + "Size of vocabulary = 1\n" + kDone},
      {"gt 0 takes every positive count", 0, -1, 100, 2,
       "b 20\nz 0\nB 1\nneg -3\na 30\nA 15\n", 0, Header(4) + "A\nB\na\nb\n",
       GtAnnounce(0) + "Size of vocabulary = 4\n" + kDone},
      {"gt above every count", 100, -1, 100, 2, list, 0, Header(0),
       GtAnnounce(100) + "Size of vocabulary = 0\n" + kZero + kDone},
      {"a word on two lines is two records", -1, -1, 100, 2, "a 1\nb 2\na 3\n",
       0, Header(3) + "a\na\nb\n", TopAnnounce(20000) + kDone},
      {"empty list", -1, -1, 0, 2, "", 0, Header(0),
       TopAnnounce(20000) + kZero + kDone},
      {"verbosity 1: warnings without progress", 4, -1, 100, 1, list, 0,
       Header(2) + "the\nzebra\n", kDone},
      {"verbosity 0: only the closing line", -1, 0, 100, 0, list, 0, Header(0),
       kDone},
      {"negative verbosity shows everything", -1, 0, 100, -1, list, 0,
       Header(0), TopAnnounce(0) + kZero + kDone},
      {"counts at the ends of int sort without overflow", -1, 1, 100, 2,
       "small -2147483648\nbig 2147483647\n", 0, Header(1) + "big\n",
       TopAnnounce(1) + kDone},
      {"... in either order", -1, 2, 100, 2,
       "big 2147483647\nzero 0\nsmall -2147483648\none 1\n", 0,
       Header(2) + "big\none\n", TopAnnounce(2) + kDone},
      {"gt at the bottom of int", INT_MIN, -1, 100, 2,
       "small -2147483648\nbig 2147483647\n", 0, Header(1) + "big\n",
       GtAnnounce(INT_MIN) + "Size of vocabulary = 1\n" + kDone},
      {"a 749-byte word is a word", -1, -1, 100, 2, "a 1\n" + w749 + " 2\n", 0,
       Header(2) + "a\n" + w749 + "\n", TopAnnounce(20000) + kDone},
      {"a 750-byte word is refused with its line", -1, -1, 100, 2,
       "a 1\n\nb 2\n" + w749 + "w 2\n", 255, "",
       TopAnnounce(20000) +
           "picklex : Error : word longer than 749 bytes on line 4 of the "
           "word frequency list.\n"},
      {"a word is used up to a NUL byte in it", -1, -1, 100, 2,
       std::string("b\0zz 3\nb 2\na 1\n", 15), 0, Header(3) + "a\nb\nb\n",
       TopAnnounce(20000) + kDone},
      {"a last word without count is dropped", -1, -1, 100, 2, "a 1\nb\n", 0,
       Header(1) + "a\n", TopAnnounce(20000) + kDone},
      {"a bad count before more input", -1, -1, 100, 2, "a 1\nb x\nc 2\n", 255,
       "", TopAnnounce(20000) + kBadCounts},
      {"a count beyond int", -1, -1, 100, 2, "a 1\nb 2147483648", 255, "",
       TopAnnounce(20000) + kBadCounts},
      {"exactly num_recs lines", -1, -1, 3, 2, "a 1\nb 2\nc 3\n", 0,
       Header(3) + "a\nb\nc\n", TopAnnounce(20000) + kDone},
      {"a trailing word does not count as a record", -1, -1, 3, 2,
       "a 1\nb 2\nc 3\nd", 0, Header(3) + "a\nb\nc\n",
       TopAnnounce(20000) + kDone},
      {"one line more than num_recs", -1, -1, 3, 2, "a 1\nb 2\nc 3\nd 4\n", 255,
       "", TopAnnounce(20000) + Limit(3)},
      {"the limit is reported at verbosity 0 too", -1, 5, 0, 0, "a 1\n", 255,
       "", Limit(0)},
      {"a negative capacity accepts nothing", -1, -1, -4, 0, "a 1\n", 255, "",
       "The number of records 1 reach the user-defined limit -4, consider to "
       "increase the number of records by -records\n"},
      {"both modes: refused before reading", 3, 3, 100, 2, "a x y\n", 255, "",
       "picklex : Error : Can't use both the -top and the -gt options.\n"},
  };
  for (const ImplCase &c : cases) {
    auto r = RunChild(
        [&] {
          picklex_impl(stdin, stdout, c.cutoff, c.vocab_size, c.num_recs,
                       c.verbosity);
        },
        c.input);
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
  }
}

// "w<i>" lines with count i+1, in a shuffled order.
std::string NumberedList(int n, std::vector<std::string> *words) {
  std::vector<int> order(n);
  for (int i = 0; i < n; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(3));
  std::string list;
  for (int i : order) {
    std::string w = "w" + std::to_string(i);
    list += w + " " + std::to_string(i + 1) + "\n";
    words->push_back(w);
  }
  return list;
}

TEST(PicklexImpl, DefaultSizeIs20000MostFrequent) {
  std::vector<std::string> words;
  std::string list = NumberedList(20003, &words);
  auto r = RunChild([] { picklex_impl(stdin, stdout, -1, -1, 3000000, 2); }, list);
  EXPECT_EQ(r.status, 0);
  // Counts 1 to 3 (w0, w1, w2) are the ones left out.
  std::set<std::string> expected;
  for (int i = 3; i < 20003; ++i) expected.insert("w" + std::to_string(i));
  std::string out = Header(20000);
  for (const std::string &w : expected) out += w + "\n";
  EXPECT_EQ(r.out, out);
  EXPECT_EQ(r.err, TopAnnounce(20000) + kDone);
}

TEST(PicklexImpl, WarnsAboveTwoByteIdsAndStillWritesEveryWord) {
  struct Case {
    int n;
    std::string warning;
  } cases[] = {{65535, ""}, {65536, kBigVocab}};
  for (const Case &c : cases) {
    std::vector<std::string> words;
    std::string list = NumberedList(c.n, &words);
    auto r = RunChild([] { picklex_impl(stdin, stdout, 0, -1, 100000, 1); }, list);
    EXPECT_EQ(r.status, 0);
    std::sort(words.begin(), words.end());
    std::string out = Header(c.n);
    for (const std::string &w : words) out += w + "\n";
    EXPECT_EQ(r.out, out) << c.n;
    EXPECT_EQ(r.err, c.warning + kDone) << c.n;
  }
}

TEST(PicklexImpl, PartialSelectionAgreesWithAFullCountSort) {
  // Many ties: the chosen words are the first lines of each count, in order
  // of descending count, whatever the selection size.
  std::mt19937 rng(5);
  std::vector<std::pair<int, int>> recs;  // (count, line)
  std::string list;
  for (int i = 0; i < 3000; ++i) {
    int count = static_cast<int>(rng() % 20);
    recs.emplace_back(count, i);
    list += "x" + std::to_string(i) + " " + std::to_string(count) + "\n";
  }
  std::sort(recs.begin(), recs.end(), [](auto a, auto b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  });
  for (int top : {1, 150, 1499, 2999}) {
    std::set<std::string> chosen;
    for (int i = 0; i < top; ++i) chosen.insert("x" + std::to_string(recs[i].second));
    std::string out = Header(top);
    for (const std::string &w : chosen) out += w + "\n";
    auto r = RunChild([&] { picklex_impl(stdin, stdout, -1, top, 3000, 0); }, list);
    EXPECT_EQ(r.out, out) << top;
  }
}

const std::string kUsage =
    "picklex : Generate a vocabulary file from a word frequency file.\n"
    "Usage : picklex [ -top 20000 | -gt 10]\n"
    "                    [ -records 3000000 ]\n"
    "                    [ -verbosity 2]\n"
    "                    < .wfreq > .vocab\n";

TEST(PicklexCommand, OptionsUsageAndVersion) {
  const std::string list = "b 2\na 1\nc 3\n";
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out, err;
  } cases[] = {
      {{"-help"}, "a x y", 1, "", kUsage},
      {{"-top", "3", "-gt", "4", "-help"}, "a x y", 1, "", kUsage},
      {{"-help", "-version"}, "", 0, "", "lexkit version 0.1.0\n"},
      {{"-top", "5", "-gt", "1"}, "a x y", 255, "",
       "picklex : Error : Can't use both the -top and the -gt options.\n"},
      {{"-gt", "-1", "-top", "-1"}, list, 0, Header(3) + "a\nb\nc\n",
       TopAnnounce(20000) + kDone},
      {{"-top", "-1", "-gt", "1"}, list, 0, Header(2) + "b\nc\n",
       GtAnnounce(1) + "Size of vocabulary = 2\n" + kDone},
      {{"-verbosity", "0", "-top", "2"}, list, 0, Header(2) + "b\nc\n", kDone},
      {{"-records", "2", "-top", "1"}, list, 255, "", TopAnnounce(1) + Limit(2)},
      {{"-records", "3", "-top", "1"}, list, 0, Header(1) + "c\n",
       TopAnnounce(1) + kDone},
      {{"-tops", "1"}, list, 255, "",
       "picklex : Error : unrecognised argument '-tops'.\n"
       "picklex : Error : unrecognised argument '1'.\n"
       "picklex : Run 'picklex -help' for the options.\n"},
  };
  for (const auto &c : cases) {
    auto r = RunProgram("picklex", c.args, c.input);
    std::string label = c.args.empty() ? "" : c.args[0];
    EXPECT_EQ(r.status, c.status) << label;
    EXPECT_EQ(r.out, c.out) << label;
    EXPECT_EQ(r.err, c.err) << label;
  }
}

TEST(PicklexCommand, FailedWritesAndReadsAreFatal) {
  auto r = RunShell(ProgramPath("picklex") + " -top 2 > /dev/full", "a 1\nb 2\n");
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, TopAnnounce(2) +
                       "picklex : Error : could not write the vocabulary: No "
                       "space left on device\n");
  ScratchDir dir;
  r = RunShell(ProgramPath("picklex") + " < " + dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, TopAnnounce(20000) + kBadCounts);
}

// A -records beyond the machine's memory names the bytes it asked for, in
// full (16 bytes a record).
TEST(PicklexCommand, RecordsBeyondMemoryNameTheRealSize) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "AddressSanitizer ends the process itself when operator new fails";
#endif
  const long long asked = 16LL * INT_MAX;
  if (static_cast<long long>(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGE_SIZE) >= asked)
    GTEST_SKIP() << "the machine may have the memory";
  auto r = RunProgram("picklex", {"-records", std::to_string(INT_MAX)}, "a 1\n");
  if (r.status == 0) GTEST_SKIP() << "the system promises memory it may not have";
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("ox_malloc: could not allocate " + std::to_string(asked) + " bytes\n"),
            std::string::npos)
      << r.err;
}

TEST(PicklexCommand, TakesTheListOfCountlex) {
  const std::string sample = std::string(LEXKIT_SOURCE_DIR) + "/sample/sample.txt";
  auto probe = RunProgram("countlex", {"-verbosity", "0"}, "x");
  if (probe.status != 0) GTEST_SKIP() << "countlex is not available: " << probe.err;
  std::set<std::string> words;
  std::istringstream text(lexkit_test::ReadFile(sample));
  for (std::string w; text >> w;) words.insert(w);
  std::string expected = Header(static_cast<int>(words.size()));
  for (const std::string &w : words) expected += w + "\n";
  auto r = RunShell(ProgramPath("countlex") + " < " + sample + " | " +
                    ProgramPath("picklex"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected);
}

}  // namespace
