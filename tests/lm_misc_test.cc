// Back-off case lines, command line splitting, shared blocks and arrays.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lexkit/ngram.h"
#include "test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

using lexkit_test::RunChild;

namespace {

std::string DecodeBoCase(int bo_case, int context_length) {
  FILE *fp = tmpfile();
  decode_bo_case(bo_case, context_length, fp);
  std::string line(static_cast<size_t>(ftell(fp)), '\0');
  rewind(fp);
  EXPECT_EQ(fread(&line[0], 1, line.size(), fp), line.size());
  fclose(fp);
  return line;
}

TEST(DecodeBoCase, WritesOneLinePerCase) {
  struct Case {
    int bo_case, context_length;
    const char *line;
  } cases[] = {
      {0, 2, "3\n"},      {4, 2, "3-2\n"},   {5, 2, "3-2-1\n"}, {6, 2, "3-2x1\n"},
      {10, 2, "3x2x1\n"}, {1, 2, "3\n"},     {12, 2, "3\n"},    {8, 2, "3x2\n"},
      {1, 1, "2-1\n"},    {0, 1, "2\n"},     {2, 1, "2x1\n"},   {3, 1, "2\n"},
      {0, 0, "1\n"},      {77, 0, "1\n"},    {5, -1, "\n"},     {-6, 2, "3\n"},
      // The longest context an int holds, and longer ones: positions beyond
      // the int's 16 digits hold 0.
      {1 << 28, 15, "16-15\n"},
      {1 << 30, 16, "17-16\n"},
      {0x7fffffff, 17, "18\n"},
      {1, 40, "41\n"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(DecodeBoCase(c.bo_case, c.context_length), c.line)
        << c.bo_case << " " << c.context_length;
  // Every position backed off, all 15 of them.
  int all_dashes = 0;
  for (int i = 0; i < 15; ++i) all_dashes += 1 << (2 * i);
  EXPECT_EQ(DecodeBoCase(all_dashes, 15), "16-15-14-13-12-11-10-9-8-7-6-5-4-3-2-1\n");
}

std::vector<std::string> ParseComline(const std::string &line) {
  std::vector<char *> args(line.size() + 1, nullptr);
  int num = -1;
  parse_comline(line.c_str(), &num, args.data());
  std::vector<std::string> words;
  for (int i = 0; i < num; ++i) {
    words.push_back(args[i]);
    free(args[i]);
  }
  EXPECT_EQ(args[num], nullptr);  // nothing stored past the words
  return words;
}

TEST(ParseComline, SplitsAtBlanksOnly) {
  const std::string long_word(300, 'w');
  struct Case {
    std::string line;
    std::vector<std::string> words;
  } cases[] = {
      {"", {}},
      {"    ", {}},
      {"  set   n ", {"set", "n"}},
      {"a\tb c", {"a\tb", "c"}},
      {"one", {"one"}},
      {" x\ny\r ", {"x\ny\r"}},
      {"go " + long_word + " now", {"go", long_word, "now"}},
      {std::string(199, 'v'), {std::string(199, 'v')}},
  };
  for (const Case &c : cases) EXPECT_EQ(ParseComline(c.line), c.words) << c.line;
}

TEST(SharedBlocks, CountsOwnersAndReleasesWithTheLast) {
  void *p = AllocShare(24);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(std::max_align_t), 0u);
  EXPECT_EQ(static_cast<int32_t *>(p)[-1], 1);  // the count just before the data
  EXPECT_EQ(GetShareCount(p), 1);
  EXPECT_EQ(AddShareCount(p), 2);
  EXPECT_EQ(GetShareCount(p), 2);
  static_cast<char *>(p)[23] = 'z';
  FreeShare(p);
  EXPECT_EQ(GetShareCount(p), 1);
  EXPECT_EQ(static_cast<char *>(p)[23], 'z');
  FreeShare(p);  // released; a bad free would show under the sanitizer

  // A block whose count is already 0 is not released again.
  void *q = AllocShare(8);
  static_cast<int32_t *>(q)[-1] = 0;
  FreeShare(q);
  EXPECT_EQ(GetShareCount(q), -1);
  DeleteArray(q);
  EXPECT_EQ(GetShareCount(q), -2);

  void *none = AllocShare(0);
  ASSERT_NE(none, nullptr);
  FreeShare(none);
  EXPECT_EQ(AllocShare(~0ul), nullptr);
}

TEST(SharedBlocks, ArraysAreOneAlignedBlock) {
  double **a = static_cast<double **>(NewArray(3, 4, sizeof(double)));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(GetShareCount(a), 1);
  char *base = reinterpret_cast<char *>(a);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(base) % alignof(std::max_align_t), 0u);
  char *first_row = reinterpret_cast<char *>(a[0]);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(first_row) % alignof(std::max_align_t), 0u);
  EXPECT_GE(first_row, base + 3 * sizeof(char *));
  EXPECT_LT(first_row, base + 3 * sizeof(char *) + alignof(std::max_align_t));
  for (int i = 1; i < 3; ++i)
    EXPECT_EQ(reinterpret_cast<char *>(a[i]) - reinterpret_cast<char *>(a[i - 1]), 32);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) a[i][j] = i * 10 + j;
  EXPECT_EQ(a[2][3], 23.0);
#if defined(__SANITIZE_ADDRESS__)
  // Element (2, 3) is the end of the block: the byte after it is not ours.
  char *end = reinterpret_cast<char *>(&a[2][3] + 1);
  EXPECT_FALSE(__asan_address_is_poisoned(end - 1));
  EXPECT_TRUE(__asan_address_is_poisoned(end));
#endif
  EXPECT_EQ(AddShareCount(a), 2);
  DeleteArray(a);
  EXPECT_EQ(a[1][2], 12.0);
  DeleteArray(a);

  void *empty = NewArray(0, 5, 8);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(GetShareCount(empty), 1);
  DeleteArray(empty);

  EXPECT_EQ(NewArray(SIZE_MAX / 4, 2, 8), nullptr);
  EXPECT_EQ(NewArray(2, SIZE_MAX / 2, 8), nullptr);
}

TEST(ErrorMsg, ReportsAndAborts) {
  const std::string long_msg(600, 'm');
  struct Case {
    std::string msg;
    std::string report;
  } cases[] = {
      {"table broken", "table broken\nin File model.c at line 42\n"},
      // A report too long for its 512-byte buffer keeps its first 511 bytes.
      {long_msg, std::string(511, 'm')},
      {std::string(500, 'm'), std::string(500, 'm') + "\nin File mo"},
  };
  for (const Case &c : cases) {
    auto r = RunChild([&] { __ErrorMsg(c.msg.c_str(), "model.c", 42); });
    EXPECT_EQ(r.status, 128 + SIGABRT);
    EXPECT_EQ(r.err, c.report);
  }
}

}  // namespace
