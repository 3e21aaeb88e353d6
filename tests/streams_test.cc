// Opening and closing streams by name, through real gzip, gunzip, zcat and
// compress.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "lexkit/general.h"
#include "libs/io/shell_quote.h"
#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::FileExists;
using lexkit_test::ReadFile;
using lexkit_test::RunChild;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

// Everything a stream holds, as the toolkit's readers see it.
std::string Slurp(FILE *fp) {
  std::string text;
  int c;
  while ((c = getc(fp)) != EOF) text += static_cast<char>(c);
  return text;
}

// Writes `text` to `path`, compressed with `compressor` ("gzip", "compress").
void WriteCompressed(const std::string &path, const std::string &text,
                     const std::string &compressor) {
  ChildResult r = RunShell(compressor + " > '" + path + "'", text);
  ASSERT_EQ(r.status, 0) << r.err;
}

// A path of exactly `length` bytes naming `leaf` in `dir`, padded with "./".
std::string PathOfLength(const std::string &dir, const std::string &leaf,
                         size_t length) {
  std::string path = dir + "/";
  while (path.size() + leaf.size() + 2 <= length) path += "./";
  if (path.size() + leaf.size() < length) path += std::string(1, 'x');
  path += leaf;
  EXPECT_EQ(path.size(), length) << path;
  return path;
}

TEST(Streams, DashIsStandardInputAndOutputAndStaysOpen) {
  ChildResult r = RunChild(
      [] {
        FILE *in = ox_iopen("-");
        if (in != stdin) _exit(3);
        char first = static_cast<char>(getc(in));
        ox_iclose(in);
        FILE *out = ox_oopen("-");
        if (out != stdout) _exit(4);
        fprintf(out, "%c", first);
        ox_oclose(out);
        // Both are still usable after their closes.
        printf("%s", Slurp(stdin).c_str());
      },
      "abc\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "abc\n");
  EXPECT_EQ(r.err, "");
}

TEST(Streams, InputNameChoosesFileOrDecompressor) {
  struct Case {
    std::vector<std::string> present;  // of data, data.Z, data.gz, ...
    std::string open;
    int status;
    std::string out;  // contents read, then the pipe flag
    std::string err;  // with @ standing for the scratch directory
  } cases[] = {
      {{"data.gz"}, "data", 0, "gz\n1", ""},
      {{"data", "data.Z", "data.gz"}, "data", 0, "plain\n0", ""},
      {{"data.Z", "data.gz"}, "data", 0, "Z\n1", ""},
      {{"data.Z"}, "data.Z", 0, "Z\n1", ""},
      {{"data", "data.gz"}, "data.gz", 0, "gz\n1", ""},
      {{"data"}, "data.gz", 255, "", "ox_iopen: file '@/data.gz' not found\n"},
      {{"data"}, "data.Z", 255, "", "ox_iopen: file '@/data.Z' not found\n"},
      {{}, "data", 255, "",
       "ox_iopen: None of '@/data' '@/data.Z' or '@/data.gz' exist.\n"},
      // Suffixes are case-sensitive: these are plain names.
      {{"data.GZ"}, "data.GZ", 0, "plain\n0", ""},
      {{"data.z"}, "data.z", 0, "plain\n0", ""},
      {{"data.GZ.gz"}, "data.GZ", 0, "gz\n1", ""},
      {{"data.z.Z"}, "data.z", 0, "Z\n1", ""},
  };
  for (const Case &c : cases) {
    ScratchDir dir;
    for (const std::string &name : c.present) {
      std::string path = dir.File(name);
      if (lexkit::EndsWith(name, ".gz"))
        WriteCompressed(path, "gz\n", "gzip");
      else if (lexkit::EndsWith(name, ".Z"))
        WriteCompressed(path, "Z\n", "compress -f");
      else
        WriteFile(path, "plain\n");
    }
    std::string path = dir.File(c.open);
    ChildResult r = RunChild([&] {
      FILE *fp = ox_iopen(path.c_str());
      std::string text = Slurp(fp);
      int fd = fileno(fp);
      printf("%s%d", text.c_str(), OXi_is_Z[fd]);
      ox_iclose(fp);
    });
    std::string err = c.err;
    for (size_t at; (at = err.find('@')) != std::string::npos;)
      err.replace(at, 1, dir.path());
    EXPECT_EQ(r.status, c.status) << c.open;
    EXPECT_EQ(r.out, c.out) << c.open;
    EXPECT_EQ(r.err, err) << c.open;
  }
}

TEST(Streams, PathLengthLimits) {
  ScratchDir dir;
  struct Case {
    bool input;
    std::string suffix;
    size_t length;
    bool refused;
  } cases[] = {
      {true, "", 239, false},    {true, "", 240, true},
      {true, ".Z", 239, false},  {true, ".Z", 240, true},
      {true, ".gz", 239, false}, {true, ".gz", 240, true},
      {false, ".Z", 239, false}, {false, ".Z", 240, true},
      {false, ".gz", 243, false}, {false, ".gz", 244, true},
      {false, "", 400, false},
  };
  for (const Case &c : cases) {
    std::string path = PathOfLength(dir.path(), "f" + c.suffix, c.length);
    ChildResult r = RunChild([&] {
      if (c.input) {
        ox_iopen(path.c_str());  // missing: ends with another message
      } else {
        ox_oclose(ox_oopen(path.c_str()));
      }
    });
    std::string op = c.input ? "ox_iopen" : "ox_oopen";
    std::string refusal = op + ": pathname '" + path + "' is too long\n";
    if (c.refused) {
      EXPECT_EQ(r.status, 255) << path;
      EXPECT_EQ(r.err, refusal) << path;
    } else {
      EXPECT_EQ(r.status, c.input ? 255 : 0) << path;
      EXPECT_EQ(r.err.find("too long"), std::string::npos) << r.err;
    }
  }
}

TEST(Streams, ShortNamesNeverMatchASuffix) {
  struct Case {
    std::string name;
    std::string err;
  } cases[] = {
      {"Z", "ox_iopen: None of 'Z' 'Z.Z' or 'Z.gz' exist.\n"},
      {"z", "ox_iopen: None of 'z' 'z.Z' or 'z.gz' exist.\n"},
      {"gz", "ox_iopen: None of 'gz' 'gz.Z' or 'gz.gz' exist.\n"},
      {".Z", "ox_iopen: file '.Z' not found\n"},
      {"gz.", "ox_iopen: None of 'gz.' 'gz..Z' or 'gz..gz' exist.\n"},
      {".gz", "ox_iopen: file '.gz' not found\n"},
  };
  ScratchDir dir;
  for (const Case &c : cases) {
    ChildResult r = RunChild([&] {
      if (chdir(dir.path().c_str()) != 0) _exit(3);
      ox_iopen(c.name.c_str());
    });
    EXPECT_EQ(r.status, 255) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
  }
  // Written as plain files, not through a compressor.
  for (const char *name : {"Z", "gz"}) {
    ChildResult r = RunChild([&] {
      if (chdir(dir.path().c_str()) != 0) _exit(3);
      FILE *fp = ox_oopen(name);
      fprintf(fp, "text %d", OXo_is_Z[fileno(fp)]);
      ox_oclose(fp);
    });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.File(name)), "text 0");
  }
}

TEST(Streams, OddNamesRoundTripThroughTheShellUntouched) {
  ScratchDir dir;
  for (std::string name : {"a b;touch pwned.gz", "it's $(touch pwned).Z",
                           "-x.gz", "-y.Z", "`touch pwned`"}) {
    ChildResult r = RunChild([&] {
      if (chdir(dir.path().c_str()) != 0) _exit(3);
      FILE *out = ox_oopen(name.c_str());
      fprintf(out, "line one\nline two\n");
      ox_oclose(out);
      FILE *in = ox_iopen(name.c_str());
      printf("%s", Slurp(in).c_str());
      ox_iclose(in);
    });
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(r.out, "line one\nline two\n") << name;
    EXPECT_EQ(r.err, "") << name;
    EXPECT_TRUE(FileExists(dir.File(name))) << name;
    EXPECT_FALSE(FileExists(dir.File("pwned"))) << name;
    EXPECT_FALSE(FileExists(dir.File("pwned.gz"))) << name;
  }
  // The compressed one really is gzip data.
  ChildResult r = RunShell("gunzip -c '" + dir.File("a b;touch pwned.gz") + "'");
  EXPECT_EQ(r.out, "line one\nline two\n");
}

TEST(Streams, WriteFailuresEndTheProcessAtTheClose) {
  ScratchDir dir;
  std::string full_gz = dir.File("x.gz");
  ASSERT_EQ(symlink("/dev/full", full_gz.c_str()), 0);
  std::string lost_gz = dir.File("no/such/dir/x.gz");
  std::string big(1 << 20, 'w');
  struct Case {
    std::string path;
    std::string data;
    std::string err_suffix;  // what the toolkit prints, last on stderr
  } cases[] = {
      // gzip's own write fails: the disk is full.
      {full_gz, "abc\n",
       "ox_oclose: the compressor writing '" + full_gz + "' failed\n"},
      // The compressor never starts writing; our writes meet a closed pipe.
      {lost_gz, big,
       "ox_oclose: the compressor writing '" + lost_gz + "' failed\n"},
      {"/dev/full", "abc\n",
       "ox_oclose: could not write '/dev/full': No space left on device\n"},
  };
  for (const Case &c : cases) {
    ChildResult r = RunChild([&] {
      signal(SIGPIPE, SIG_DFL);  // as in a program started from a shell
      FILE *fp = ox_oopen(c.path.c_str());
      fwrite(c.data.data(), 1, c.data.size(), fp);
      ox_oclose(fp);
      printf("closed\n");
    });
    EXPECT_EQ(r.status, 255) << c.path;
    EXPECT_EQ(r.out, "") << c.path;
    ASSERT_GE(r.err.size(), c.err_suffix.size()) << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - c.err_suffix.size()), c.err_suffix);
  }
  // A plain write that failed before the close.
  ChildResult r = RunChild([&] {
    FILE *fp = ox_oopen("/dev/full");
    fwrite(big.data(), 1, big.size(), fp);
    ox_oclose(fp);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err.rfind("ox_oclose: could not write '/dev/full': ", 0), 0u)
      << r.err;
}

TEST(Streams, DecompressorFailureIsReportedOnlyAfterReadingToTheEnd) {
  ScratchDir dir;
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "line " + std::to_string(i) + "\n";
  std::string good = dir.File("good.gz");
  WriteCompressed(good, text, "gzip");
  std::string whole = ReadFile(good);
  std::string cut = dir.File("cut.gz");
  WriteFile(cut, whole.substr(0, whole.size() / 2));

  ChildResult r = RunChild([&] {
    FILE *fp = ox_iopen(cut.c_str());
    Slurp(fp);
    ox_iclose(fp);
    printf("closed\n");
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "");
  std::string ours = "ox_iclose: decompressing '" + cut +
                     "' failed: the file is truncated or corrupt\n";
  ASSERT_GE(r.err.size(), ours.size()) << r.err;
  EXPECT_EQ(r.err.substr(r.err.size() - ours.size()), ours);

  // Closing early is not a failure, and after an output pipe was opened the
  // decompressor stopped by the close still ends quietly.
  r = RunChild([&] {
    signal(SIGPIPE, SIG_DFL);
    ox_oclose(ox_oopen(dir.File("other.gz").c_str()));
    FILE *fp = ox_iopen(good.c_str());
    printf("%c", getc(fp));
    ox_iclose(fp);
    printf("closed\n");
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "lclosed\n");
  EXPECT_EQ(r.err, "");

  // Trailing garbage after a whole file is only gzip's warning (status 2).
  std::string tail = dir.File("tail.gz");
  WriteFile(tail, whole + "garbage");
  r = RunChild([&] {
    FILE *fp = ox_iopen(tail.c_str());
    printf("%zu ", Slurp(fp).size());
    ox_iclose(fp);
    printf("closed\n");
  });
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, std::to_string(text.size()) + " closed\n");
}

TEST(Streams, DescriptorsAbove99AreRefused) {
  ScratchDir dir;
  std::string path = dir.File("f");
  WriteFile(path, "x\n");
  for (bool input : {true, false}) {
    ChildResult r = RunChild([&] {
      for (int fd = 3; fd < 100; ++fd)
        if (fcntl(fd, F_GETFD) == -1) dup2(2, fd);
      if (input)
        ox_iopen(path.c_str());
      else
        ox_oopen(path.c_str());
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, std::string(input ? "ox_iopen" : "ox_oopen") +
                         ": fileno = 100 is too large\n");
  }
}

}  // namespace
