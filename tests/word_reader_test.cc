// The block readers of words and lines against the C library on the same
// bytes, and the 16-byte word scan against isspace().
#include <ctype.h>
#include <gtest/gtest.h>
#include <stdio.h>

#include <random>
#include <string>
#include <vector>

#include "libs/io/line_reader.h"
#include "libs/io/text_chunks.h"
#include "libs/io/word_reader.h"
#include "libs/io/word_scan.h"
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

// Random bytes of every kind the readers care about, with long runs.
std::string RandomText(std::mt19937 &rng, int round) {
  static const char alphabet[] = "ab \t\n\r\v\f\x80\xff\0";
  std::string text;
  int len = rng() % 3000;
  for (int i = 0; i < len; ++i) text += alphabet[rng() % (sizeof alphabet - 1)];
  if (round % 4 == 0) text += std::string(1234, 'x');
  return text;
}

TEST(WordReader, MatchesScanfOnRandomTextWithEveryBlockSize) {
  lexkit_test::ScratchDir dir;
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    std::string path = dir.File("t" + std::to_string(round));
    lexkit_test::WriteFile(path, RandomText(rng, round));
    for (int max_len : {5, 500}) {
      auto expected = ReadWithScanf(path, max_len);
      for (size_t block : {1, 3, 7, 64, 1 << 16})
        EXPECT_EQ(ReadWithBlocks(path, max_len, block), expected)
            << "round " << round << " max " << max_len << " block " << block;
    }
  }
}

// Chunks never cut a word: the words of the chunks, each read on its own,
// are fscanf's words of the whole text, and the chunks are the text.
TEST(TextChunks, TheChunksWordsAreTheStreamsWords) {
  lexkit_test::ScratchDir dir;
  std::mt19937 rng(9);
  for (int round = 0; round < 12; ++round) {
    const std::string path = dir.File("t" + std::to_string(round));
    const std::string text = RandomText(rng, round);
    lexkit_test::WriteFile(path, text);
    for (size_t max_len : {1, 5, 500}) {
      const auto expected = ReadWithScanf(path, static_cast<int>(max_len));
      for (size_t chunk_size : {1, 3, 64, 1 << 16}) {
        FILE *fp = fopen(path.c_str(), "rb");
        lexkit::TextChunks chunks(fp, max_len, chunk_size);
        lexkit::TextChunk chunk;
        std::string joined;
        std::vector<std::string> words;
        while (chunks.Next(&chunk)) {
          const std::string bytes(chunk.begin(), chunk.size);
          ASSERT_EQ(chunk.has_nul, bytes.find('\0') != std::string::npos);
          ASSERT_EQ(std::string(chunk.end(), lexkit::kScanPadding),
                    std::string(lexkit::kScanPadding, '\0'));
          joined += bytes;
          lexkit::ForEachWord(chunk.begin(), chunk.end(), max_len, [&](const char *w, size_t len) {
            words.emplace_back(std::string(w, len).c_str());
          });
        }
        EXPECT_FALSE(chunks.failed());
        fclose(fp);
        EXPECT_EQ(joined, text);
        EXPECT_EQ(words, expected) << "round " << round << " max " << max_len << " chunk "
                                   << chunk_size;
      }
    }
  }
}

// The raw bytes each fgets call takes (its C string cannot show bytes after
// a NUL; the stream position can).
std::vector<std::string> PiecesByFgets(const std::string &text, size_t max_len) {
  FILE *fp = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
  std::vector<char> buf(max_len + 1);
  std::vector<std::string> pieces;
  long before = ftell(fp);
  while (fgets(buf.data(), static_cast<int>(buf.size()), fp) != nullptr) {
    long after = ftell(fp);
    pieces.push_back(text.substr(before, after - before));
    before = after;
  }
  fclose(fp);
  return pieces;
}

TEST(LineReader, GivesThePiecesOfFgetsWithEveryBlockSize) {
  std::mt19937 rng(11);
  for (int round = 0; round < 12; ++round) {
    const std::string text = RandomText(rng, round) + (round % 3 ? "\n" : "tail");
    for (size_t max_len : {1, 5, 499, 1023}) {
      const auto expected = PiecesByFgets(text, max_len);
      for (size_t block : {1, 3, 64, 1 << 16}) {
        FILE *fp = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
        lexkit::LineReader lines(fp, max_len, block);
        std::vector<std::string> got;
        std::string_view piece;
        while (lines.Next(&piece)) got.emplace_back(piece);
        EXPECT_FALSE(lines.failed());
        fclose(fp);
        EXPECT_EQ(got, expected) << "round " << round << " max " << max_len
                                 << " block " << block;
      }
    }
  }
  EXPECT_EQ(lexkit::AsCString(std::string_view("ab\0cd\n", 6)), "ab");
}

TEST(BlockReaders, ReportReadErrorsAfterTheDataBeforeThem) {
  FILE *fp = fopen("/", "rb");  // a directory: reading it fails
  ASSERT_NE(fp, nullptr);
  lexkit::WordReader reader(fp, 500);
  std::string_view w;
  EXPECT_EQ(reader.Next(&w), lexkit::WordReader::Status::kError);
  lexkit::LineReader lines(fp, 499);
  EXPECT_FALSE(lines.Next(&w));
  EXPECT_TRUE(lines.failed());
  lexkit::TextChunks chunks(fp, 499);
  lexkit::TextChunk chunk;
  EXPECT_FALSE(chunks.Next(&chunk));
  EXPECT_TRUE(chunks.failed());
  fclose(fp);
}

// Every byte value at every position of a 16-byte step, and ends that cut
// a step short: SkipSpace and FindSpace stop where a byte-by-byte isspace()
// scan does, however far past the end their steps read.
TEST(WordScan, StopsWhereIsspaceDoes) {
  for (int c = 0; c < 256; ++c) {
    const bool space = isspace(c) != 0;
    EXPECT_EQ(lexkit::IsCSpace(static_cast<unsigned char>(c)), space) << c;
    for (size_t at = 0; at < 40; at += 3) {
      for (size_t len : {at, at + 1, size_t{40}}) {
        std::string spaces(40 + lexkit::kScanPadding, ' ');
        std::string letters(40 + lexkit::kScanPadding, 'a');
        spaces[at] = letters[at] = static_cast<char>(c);
        const char *s = spaces.data(), *l = letters.data();
        const size_t first_word = !space && at < len ? at : len;
        const size_t first_space = space && at < len ? at : len;
        EXPECT_EQ(lexkit::SkipSpace(s, s + len) - s, static_cast<ptrdiff_t>(first_word))
            << c << " at " << at << " len " << len;
        EXPECT_EQ(lexkit::FindSpace(l, l + len) - l, static_cast<ptrdiff_t>(first_space))
            << c << " at " << at << " len " << len;
      }
    }
  }
}

}  // namespace
