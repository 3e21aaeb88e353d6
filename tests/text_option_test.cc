// "-text FILE" of countlex and gramlex: the same output as the file on
// standard input, a compressed text read through its decompressor, and a
// missing text refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

using lexkit_test::RunProgram;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

TEST(TextOption, SameOutputAsStandardInput) {
  ScratchDir dir;
  const std::string text = "the cat\r\nsat on the mat the end\n\tof it";
  WriteFile(dir.File("t"), text);
  WriteFile(dir.File("v"), "the\ncat\nmat\n");
  ASSERT_EQ(RunShell("gzip -c " + dir.File("t") + " > " + dir.File("t.gz")).status, 0);
  struct Case {
    std::string program;
    std::vector<std::string> args;
  } cases[] = {
      {"countlex", {"-hash", "10"}},
      {"gramlex", {"-vocab", dir.File("v"), "-n", "2", "-write_ascii"}},
  };
  for (const Case &c : cases) {
    const auto piped = RunProgram(c.program, c.args, text);
    ASSERT_EQ(piped.status, 0) << piped.err;
    ASSERT_NE(piped.out, "");
    for (const char *name : {"t", "t.gz"}) {
      std::vector<std::string> args = c.args;
      args.insert(args.end(), {"-text", dir.File(name)});
      const auto named = RunProgram(c.program, args, "ignored words on stdin\n");
      EXPECT_EQ(named.status, 0) << named.err;
      EXPECT_EQ(named.out, piped.out) << c.program << " " << name;
    }
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-text", dir.File("missing")});
    const auto missing = RunProgram(c.program, args);
    EXPECT_EQ(missing.status, 255);
    EXPECT_NE(missing.err.find("ox_iopen: None of '" + dir.File("missing")), std::string::npos)
        << missing.err;
  }
}

}  // namespace
