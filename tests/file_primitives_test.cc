// The checked file primitives: opening, big-endian reads, the look-ahead end
// test, seeking, private temporary directories, existence and size.
#include <errno.h>
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "lexkit/general.h"
#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::ReadFile;
using lexkit_test::RunChild;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

// A stream positioned at the start of `bytes`, backed by a scratch file.
FILE *OpenBytes(const ScratchDir &dir, const std::string &bytes) {
  std::string path = dir.File("data");
  WriteFile(path, bytes);
  return fopen(path.c_str(), "rb");
}

TEST(OxFopen, OpensOrEndsProcessNamingFileModeAndReason) {
  ScratchDir dir;
  WriteFile(dir.File("present"), "abc");
  FILE *fp = ox_fopen(dir.File("present").c_str(), "rb");
  ASSERT_NE(fp, nullptr);
  EXPECT_EQ(getc(fp), 'a');
  fclose(fp);

  struct Case {
    std::string path, mode;
    int err;
  } cases[] = {
      {dir.File("missing"), "rb", ENOENT},
      {dir.File("no/such/dir"), "wb", ENOENT},
      {dir.path(), "w", EISDIR},
  };
  for (const Case &c : cases) {
    auto r = RunChild([&] { ox_fopen(c.path.c_str(), c.mode.c_str()); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "Failed to open '" + c.path + "' with mode '" + c.mode +
                         "': " + strerror(c.err) + "\n");
    EXPECT_EQ(r.out, "");
  }
}

TEST(OxFread, ConvertsBigEndianElementsToHostOrder) {
  ScratchDir dir;
  {
    FILE *fp = OpenBytes(dir, std::string("\x00\x00\x01\x02", 4));
    int32_t v = 0;
    ox_fread(&v, 4, 1, fp, "from id_ngram file", 1);
    EXPECT_EQ(v, 258);
    fclose(fp);
  }
  {
    FILE *fp = OpenBytes(dir, "\xab");
    unsigned char b = 0;
    ox_fread(&b, 1, 1, fp, "byte", 0);
    EXPECT_EQ(b, 0xab);
    fclose(fp);
  }
  {
    FILE *fp = OpenBytes(dir, "\x01\x02\x03\x04\x05\x06");
    uint16_t v[3] = {};
    ox_fread(v, 2, 3, fp, "shorts", 1);
    EXPECT_EQ(v[0], 0x0102);
    EXPECT_EQ(v[1], 0x0304);
    EXPECT_EQ(v[2], 0x0506);
    fclose(fp);
  }
  {
    FILE *fp = OpenBytes(dir, "\x11\x22\x33\x44\x55\x66\x77\x88");
    uint64_t v = 0;
    ox_fread(&v, 8, 1, fp, "longs", 1);
    EXPECT_EQ(v, 0x1122334455667788ULL);
    fclose(fp);
  }
  {
    // Records of odd size stay byte for byte.
    FILE *fp = OpenBytes(dir, "abcdef");
    char v[6];
    ox_fread(v, 3, 2, fp, "triples", 1);
    EXPECT_EQ(std::string(v, 6), "abcdef");
    fclose(fp);
  }
}

TEST(OxFread, RoundTripsWhatOxFwriteWrites) {
  ScratchDir dir;
  std::string path = dir.File("rt");
  FILE *out = fopen(path.c_str(), "wb");
  int32_t ids[3] = {1, -2, 0x7fffffff};
  ox_fwrite(ids, 4, 3, out, "n-gram ids");
  fclose(out);
  EXPECT_EQ(ReadFile(path).substr(0, 4), std::string("\0\0\0\1", 4));
  FILE *in = fopen(path.c_str(), "rb");
  int32_t back[3] = {};
  ox_fread(back, 4, 3, in, "n-gram ids", 1);
  fclose(in);
  EXPECT_EQ(std::vector<int32_t>(back, back + 3),
            std::vector<int32_t>(ids, ids + 3));
}

TEST(OxFread, ZeroElementsReadNothingAndCheckTheEndOnlyWhenAsked) {
  ScratchDir dir;
  FILE *fp = OpenBytes(dir, "xy");
  int32_t untouched = 7;
  ox_fread(&untouched, 4, 0, fp, "nothing", 0);
  EXPECT_EQ(untouched, 7);
  EXPECT_EQ(getc(fp), 'x');  // nothing consumed
  fclose(fp);

  FILE *empty = OpenBytes(dir, "");
  ox_fread(&untouched, 4, 0, empty, "nothing", 1);  // at the end: fine
  fclose(empty);

  auto r = RunChild([&] {
    FILE *more = OpenBytes(dir, "z");
    ox_fread(&untouched, 4, 0, more, "count from id_ngram file", 1);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err,
            "ox_fread: more data after count from id_ngram file - should not "
            "be there\n");
}

TEST(OxFread, ShortReadsAndTrailingDataEndTheProcess) {
  ScratchDir dir;
  struct Case {
    std::string bytes;
    int elsize;
    size_t n_elem;
    int not_more;
    std::string err;
  } cases[] = {
      {std::string(6, '\1'), 4, 2, 0,
       "ox_fread: problems reading from id_ngram file.  Only 1 of 2 elements "
       "were read\n"},
      {"", 2, 3, 1,
       "ox_fread: problems reading from id_ngram file.  Only 0 of 3 elements "
       "were read\n"},
      {std::string(9, '\1'), 4, 2, 1,
       "ox_fread: more data after from id_ngram file - should not be there\n"},
  };
  for (const Case &c : cases) {
    auto r = RunChild([&] {
      FILE *fp = OpenBytes(dir, c.bytes);
      std::vector<char> buf(c.elsize * c.n_elem + 1);
      ox_fread(buf.data(), c.elsize, c.n_elem, fp, "from id_ngram file",
               c.not_more);
    });
    EXPECT_EQ(r.status, 255) << c.err;
    EXPECT_EQ(r.err, c.err);
  }
  // An exact fit with nothing after it is accepted.
  FILE *fp = OpenBytes(dir, std::string(8, '\0'));
  int32_t v[2];
  ox_fread(v, 4, 2, fp, "from id_ngram file", 1);
  fclose(fp);
}

TEST(OxFeof, LooksAheadWithoutMovingAndStaysAtTheEnd) {
  ScratchDir dir;
  FILE *fp = OpenBytes(dir, "ab");
  EXPECT_EQ(ox_feof(fp), 0);
  EXPECT_EQ(ox_feof(fp), 0);
  EXPECT_EQ(getc(fp), 'a');
  EXPECT_EQ(ox_feof(fp), 0);  // one byte left
  EXPECT_EQ(ftell(fp), 1);
  unsigned char last = 0;
  ox_fread(&last, 1, 1, fp, "last byte", 0);
  EXPECT_EQ(last, 'b');
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ox_feof(fp), 1);
  fclose(fp);

  FILE *empty = OpenBytes(dir, "");
  EXPECT_EQ(ox_feof(empty), 1);
  fclose(empty);
}

// A stream that fails to read (a directory) is not at its end.
TEST(OxFeof, ReadErrorsAreNotTheEnd) {
  ScratchDir dir;
  struct Case {
    std::function<void(FILE *)> read;
    std::string err;
  } cases[] = {
      {[](FILE *fp) { ox_feof(fp); }, "ox_feof: error reading the stream: Is a directory\n"},
      {[](FILE *fp) {
         unsigned char b;
         ox_fread(&b, 1, 0, fp, "count from id_ngram file", 1);
       },
       "ox_fread: problems reading after count from id_ngram file: Is a directory\n"},
  };
  for (const Case &c : cases) {
    ChildResult r = RunChild([&] { c.read(fopen(dir.path().c_str(), "rb")); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(OxFseek, PositionsOrEndsProcessNamingTheStream) {
  ScratchDir dir;
  FILE *fp = OpenBytes(dir, "0123456789");
  ox_fseek(fp, 4, SEEK_SET, "digits");
  EXPECT_EQ(getc(fp), '4');
  ox_fseek(fp, -2, SEEK_END, "digits");
  EXPECT_EQ(getc(fp), '8');
  ox_fseek(fp, -3, SEEK_CUR, "digits");
  EXPECT_EQ(getc(fp), '6');
  fclose(fp);

  auto r = RunChild([&] {
    FILE *f = OpenBytes(dir, "0123456789");
    ox_fseek(f, -20, SEEK_SET, "id n-gram file");
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "ERROR: fseek(<id n-gram file>,-20,0) is improper\n");
}

TEST(OxMkdtemp, CreatesAPrivateDirectoryOrReturnsNullSilently) {
  ScratchDir dir;
  std::string templ = dir.File("tmpXXXXXX");
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  char *made = ox_mkdtemp(buf.data());
  ASSERT_EQ(made, buf.data());
  std::string path(made);
  EXPECT_EQ(path.substr(0, path.size() - 6), dir.File("tmp"));
  EXPECT_NE(path.substr(path.size() - 6), "XXXXXX");
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 07777, 0700u);

  // A second call gives another directory.
  std::vector<char> again(templ.begin(), templ.end());
  again.push_back('\0');
  ASSERT_NE(ox_mkdtemp(again.data()), nullptr);
  EXPECT_NE(std::string(again.data()), path);

  for (std::string bad : {dir.File("missing/tmpXXXXXX"), dir.File("tmpXXXXX")}) {
    auto r = RunChild([&] {
      std::vector<char> b(bad.begin(), bad.end());
      b.push_back('\0');
      if (ox_mkdtemp(b.data()) != nullptr) _exit(3);
    });
    EXPECT_EQ(r.status, 0) << bad;
    EXPECT_EQ(r.err, "") << bad;
    EXPECT_EQ(r.out, "") << bad;
  }
}

TEST(OxFexists, FollowsLinksAndAcceptsAnyKindOfFile) {
  ScratchDir dir;
  WriteFile(dir.File("file"), "");
  ASSERT_EQ(symlink("file", dir.File("good_link").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", dir.File("dangling").c_str()), 0);
  struct Case {
    std::string path;
    int expected;
  } cases[] = {
      {dir.File("file"), 1},     {dir.path(), 1},
      {dir.File("good_link"), 1}, {dir.File("dangling"), 0},
      {dir.File("missing"), 0},  {"/dev/null", 1},
  };
  for (const Case &c : cases) EXPECT_EQ(ox_fexists(c.path.c_str()), c.expected) << c.path;
}

TEST(OxFilesize, ReportsTheSizeOfAnOpenFile) {
  ScratchDir dir;
  FILE *fp = OpenBytes(dir, std::string(12345, 'q'));
  EXPECT_EQ(ox_filesize(fileno(fp)), 12345);
  fclose(fp);
  FILE *empty = OpenBytes(dir, "");
  EXPECT_EQ(ox_filesize(fileno(empty)), 0);
  fclose(empty);
}

}  // namespace
