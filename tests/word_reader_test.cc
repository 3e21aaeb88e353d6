// The block word reader against fscanf("%Ns") on the same bytes.
#include <gtest/gtest.h>
#include <stdio.h>

#include <random>
#include <string>
#include <vector>

#include "libs/io/word_reader.h"
#include "test_support.h"

namespace {

std::vector<std::string> ReadWithScanf(const std::string &path, int max_len) {
  FILE *fp = fopen(path.c_str(), "rb");
  std::vector<std::string> words;
  std::string format = "%" + std::to_string(max_len) + "s";
  std::vector<char> buf(max_len + 1);
  while (fscanf(fp, format.c_str(), buf.data()) == 1) words.emplace_back(buf.data());
  fclose(fp);
  return words;
}

std::vector<std::string> ReadWithBlocks(const std::string &path, size_t max_len,
                                        size_t block) {
  FILE *fp = fopen(path.c_str(), "rb");
  lexkit::WordReader reader(fp, max_len, block);
  std::vector<std::string> words;
  std::string_view w;
  while (reader.Next(&w) == lexkit::WordReader::Status::kWord)
    words.emplace_back(std::string(w).c_str());  // C-string view, as fscanf
  fclose(fp);
  return words;
}

TEST(WordReader, MatchesScanfOnRandomTextWithEveryBlockSize) {
  lexkit_test::ScratchDir dir;
  std::mt19937 rng(7);
  const char alphabet[] = "ab \t\n\r\v\f\x80\xff";
  for (int round = 0; round < 20; ++round) {
    std::string text;
    int len = rng() % 3000;
    for (int i = 0; i < len; ++i) text += alphabet[rng() % (sizeof alphabet - 1)];
    if (round % 4 == 0) text += std::string(1234, 'x');  // long runs split
    std::string path = dir.File("t" + std::to_string(round));
    lexkit_test::WriteFile(path, text);
    for (int max_len : {5, 500}) {
      auto expected = ReadWithScanf(path, max_len);
      for (size_t block : {1, 3, 7, 64, 1 << 16})
        EXPECT_EQ(ReadWithBlocks(path, max_len, block), expected)
            << "round " << round << " max " << max_len << " block " << block;
    }
  }
}

TEST(WordReader, ReportsReadErrorAfterTheWordsBeforeIt) {
  FILE *fp = fopen("/", "rb");  // a directory: reading it fails
  ASSERT_NE(fp, nullptr);
  lexkit::WordReader reader(fp, 500);
  std::string_view w;
  EXPECT_EQ(reader.Next(&w), lexkit::WordReader::Status::kError);
  fclose(fp);
}

}  // namespace
