// Messages, checked allocation, option routines, big-endian writing and the
// n-gram statistics output.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "lexkit/general.h"
#include "lexkit/pc_general.h"
#include "lexkit/stats.h"
#include "test_support.h"

using lexkit_test::RunChild;

namespace {

TEST(PcMessage, PrintsWhenPriorityAtMostVerbosity) {
  struct Case {
    unsigned short verbosity, priority;
    bool shown;
  } cases[] = {{2, 2, true}, {3, 2, true}, {1, 2, false},
               {0, 0, true}, {0, 1, false}, {65535, 2, true}};
  for (const Case &c : cases) {
    auto r = RunChild([&] { pc_message(c.verbosity, c.priority, "x=%d\n", 7); });
    EXPECT_EQ(r.err, c.shown ? "x=7\n" : "")
        << c.verbosity << " " << c.priority;
  }
}

TEST(Quit, PrintsMessageAndExitsWith255) {
  auto r = RunChild([] { quit(-1, "bad %s %d\n", "thing", 3); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "bad thing 3\n");
  EXPECT_EQ(r.out, "");
}

TEST(Allocation, ZeroSizedRequestsGiveUsableBlocks) {
  char *a = ox_malloc(0);
  char *b = ox_calloc(0, 8);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  a[0] = 1;
  EXPECT_EQ(b[0], 0);
  free(a);
  free(b);
  char *s = salloc("word");
  EXPECT_STREQ(s, "word");
  free(s);
}

TEST(Allocation, FailureEndsProcessWithMessage) {
  // Sizes that no allocator can satisfy; the message names them in full.
  // Under AddressSanitizer its own warning line comes first; the toolkit's
  // message must be the last line either way.
  auto ends_with = [](const std::string &text, const std::string &tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
  };
  auto r = RunChild([] { ox_malloc(static_cast<size_t>(1) << 62); });
  EXPECT_EQ(r.status, 255);
  EXPECT_TRUE(ends_with(r.err, "ox_malloc: could not allocate 4611686018427387904 bytes\n")) << r.err;
  r = RunChild([] { ox_calloc((static_cast<size_t>(1) << 60) + 5, 16); });
  EXPECT_EQ(r.status, 255);
  EXPECT_TRUE(ends_with(r.err, "ox_calloc: could not allocate 1152921504606846981 elements of size 16\n"))
      << r.err;
}

// Builds a mutable argv from strings.
struct Argv {
  explicit Argv(std::vector<std::string> args) : storage(std::move(args)) {
    for (auto &s : storage) ptrs.push_back(&s[0]);
    ptrs.push_back(nullptr);
    argc = static_cast<int>(storage.size());
  }
  std::vector<std::string> Left() const {
    return std::vector<std::string>(ptrs.begin(), ptrs.begin() + argc);
  }
  std::vector<std::string> storage;
  std::vector<char *> ptrs;
  int argc;
};

TEST(Options, TakeWhatTheyRecogniseOutOfTheVector) {
  Argv a({"prog", "-hash", "10", "-help", "-x", "-verbosity", "-3"});
  EXPECT_EQ(pc_flagarg(&a.argc, a.ptrs.data(), "-help"), 1);
  EXPECT_EQ(pc_flagarg(&a.argc, a.ptrs.data(), "-help"), 0);
  EXPECT_EQ(pc_intarg(&a.argc, a.ptrs.data(), "-hash", 5), 10);
  EXPECT_EQ(pc_intarg(&a.argc, a.ptrs.data(), "-verbosity", 2), -3);
  EXPECT_EQ(pc_intarg(&a.argc, a.ptrs.data(), "-top", 20000), 20000);
  EXPECT_EQ(a.Left(), (std::vector<std::string>{"prog", "-x"}));
  // The last occurrence is taken; an earlier one is left to be reported.
  Argv b({"prog", "-text", "a", "-y", "-text", "b"});
  EXPECT_STREQ(pc_stringarg(&b.argc, b.ptrs.data(), "-text", "-"), "b");
  EXPECT_STREQ(pc_stringarg(&b.argc, b.ptrs.data(), "-probs", "none"), "none");
  EXPECT_EQ(pc_stringarg(&b.argc, b.ptrs.data(), "-arpa", nullptr), nullptr);
  EXPECT_EQ(b.Left(), (std::vector<std::string>{"prog", "-text", "a", "-y"}));
}

TEST(Options, BadValuesAndUnknownArgumentsAreFatal) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"/bin/countlex", "-hash"},
       "countlex : Error : option -hash needs an integer value.\n"},
      {{"countlex", "-hash", "12x"},
       "countlex : Error : option -hash needs an integer value, not '12x'.\n"},
      {{"countlex", "-hash", "99999999999"},
       "countlex : Error : option -hash needs an integer value, not "
       "'99999999999'.\n"},
  };
  for (const Case &c : cases) {
    auto r = RunChild([&] {
      Argv a(c.args);
      pc_intarg(&a.argc, a.ptrs.data(), "-hash", 1);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, c.err);
  }
  auto r = RunChild([] {
    Argv a({"scorelex", "-text"});
    pc_stringarg(&a.argc, a.ptrs.data(), "-text", nullptr);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "scorelex : Error : option -text needs a value.\n");
  r = RunChild([] {
    Argv a({"picklex", "-topp", "5"});
    pc_report_unk_args(&a.argc, a.ptrs.data(), 2);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err,
            "picklex : Error : unrecognised argument '-topp'.\n"
            "picklex : Error : unrecognised argument '5'.\n"
            "picklex : Run 'picklex -help' for the options.\n");
  r = RunChild([] {
    Argv a({"picklex"});
    pc_report_unk_args(&a.argc, a.ptrs.data(), 2);
  });
  EXPECT_EQ(r.status, 0);
}

TEST(Options, VersionRequestPrintsAndExitsZero) {
  auto r = RunChild([] {
    Argv a({"countlex", "-version"});
    report_version(&a.argc, a.ptrs.data());
    exit(3);
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "lexkit version 0.1.0\n");
}

TEST(OxFwrite, WritesBigEndianAndKeepsCallerData) {
  lexkit_test::ScratchDir dir;
  std::string path = dir.File("out");
  FILE *fp = fopen(path.c_str(), "wb");
  uint32_t four = 0x01020304;
  uint16_t two[2] = {0x0a0b, 0x0c0d};
  uint64_t eight = 0x1122334455667788ULL;
  char bytes[3] = {'x', 'y', 'z'};
  ox_fwrite(&four, 4, 1, fp, "four");
  ox_fwrite(two, 2, 2, fp, "two");
  ox_fwrite(&eight, 8, 1, fp, "eight");
  ox_fwrite(bytes, 1, 3, fp, "bytes");
  fclose(fp);
  EXPECT_EQ(four, 0x01020304u);
  EXPECT_EQ(two[0], 0x0a0b);
  EXPECT_EQ(lexkit_test::ReadFile(path),
            std::string("\x01\x02\x03\x04\x0a\x0b\x0c\x0d"
                        "\x11\x22\x33\x44\x55\x66\x77\x88xyz",
                        19));
}

TEST(OxFwrite, FailedWriteEndsProcessNamingTheData) {
  auto r = RunChild([] {
    FILE *fp = fopen("/dev/full", "wb");
    setvbuf(fp, nullptr, _IONBF, 0);
    int32_t v = 5;
    ox_fwrite(&v, 4, 1, fp, "n-gram counts");
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err,
            "ox_fwrite: problems writing n-gram counts.  Only 0 of 1 elements "
            "were written\n");
}

TEST(IdngramStats, ProgressMarksAndCorruptionStop) {
  auto r = RunChild([] {
    for (int i = 1; i <= 2000000; ++i) show_idngram_nlines(i, 2);
    for (int i = 1; i <= 2000000; ++i) show_idngram_nlines(i, 1);
  });
  EXPECT_EQ(r.err, std::string(50, '.') + "\n" + std::string(50, '.') + "\n");
  r = RunChild([] { show_idngram_corruption_mesg(); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err,
            "Error : the id n-gram input is corrupt: it holds a count of 0 or "
            "less.\n");
}

TEST(IdngramStats, DisplayFofArrayListsEveryOrderAndCount) {
  auto r = RunChild([] {
    ngram_sz_t totals[2] = {2, 4};
    fof_t bigrams[4] = {0, 0, 0, 1};
    fof_t trigrams[4] = {0, 2, 1, 0};
    fof_t *rows[2] = {bigrams, trigrams};
    display_fof_array(totals, rows, 3, stderr, 3);
  });
  EXPECT_EQ(r.err,
            "\nFrequency of frequency statistics:\n"
            "2-grams: 2 distinct\n"
            "    count    2-grams\n"
            "        1          0\n"
            "        2          0\n"
            "        3          1\n"
            "3-grams: 4 distinct\n"
            "    count    3-grams\n"
            "        1          2\n"
            "        2          1\n"
            "        3          0\n");
}

}  // namespace
