// Parts of a text file cut at word boundaries: the parts' words are the
// whole file's words, and the start of the words before a part gives
// exactly those words, for random texts with long runs split into pieces.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "libs/io/text_ranges.h"
#include "libs/io/word_reader.h"
#include "test_support.h"

using lexkit::ByteRange;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

// The words of bytes [begin, end) of `fd` as the word reader gives them.
std::vector<std::string> Words(int fd, uint64_t begin, uint64_t end, size_t max_len) {
  FILE *fp = lexkit::OpenByteRange(fd, {begin, end});
  lexkit::WordReader reader(fp, max_len, 16);
  std::vector<std::string> words;
  std::string_view w;
  while (reader.Next(&w) == lexkit::WordReader::Status::kWord) words.emplace_back(w);
  fclose(fp);
  return words;
}

TEST(TextRanges, PartsSeeTheWholeFilesWords) {
  constexpr size_t kMaxLen = 3;
  ScratchDir dir;
  std::mt19937 rng(11);
  for (int round = 0; round < 60; ++round) {
    std::string text;
    const size_t words = rng() % 12;
    for (size_t i = 0; i < words; ++i) {
      text += std::string(rng() % 3, " \n\t\r"[rng() % 4]);
      text += std::string(1 + rng() % 8, static_cast<char>('a' + rng() % 3));
    }
    if (rng() % 2) text += " ";
    WriteFile(dir.File("t"), text);
    const int fd = open(dir.File("t").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const std::vector<std::string> all = Words(fd, 0, text.size(), kMaxLen);
    for (int parts = 1; parts <= 6; ++parts) {
      std::vector<std::string> joined;
      uint64_t expected_begin = 0;
      for (int part = 0; part < parts; ++part) {
        const ByteRange r = lexkit::WordAlignedPart(fd, text.size(), part, parts);
        EXPECT_EQ(r.begin, expected_begin);
        expected_begin = r.end;
        const std::vector<std::string> mine = Words(fd, r.begin, r.end, kMaxLen);
        // The words before the part, read from where the reader must begin.
        for (uint64_t before = 0; before <= 4; ++before) {
          const uint64_t start =
              lexkit::StartOfPrecedingWords(fd, r.begin, before, kMaxLen);
          const std::vector<std::string> seen = Words(fd, start, r.end, kMaxLen);
          const size_t preceding = std::min<size_t>(before, joined.size());
          ASSERT_EQ(seen.size(), preceding + mine.size()) << text << " " << parts;
          EXPECT_TRUE(std::equal(seen.begin(), seen.begin() + preceding,
                                 joined.end() - preceding));
        }
        joined.insert(joined.end(), mine.begin(), mine.end());
      }
      EXPECT_EQ(expected_begin, text.size());
      EXPECT_EQ(joined, all) << "'" << text << "' in " << parts << " parts";
    }
    close(fd);
  }
}

}  // namespace
