// Merge of sorted word n-gram text files.
#include <gtest/gtest.h>
#include <stdio.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "lexkit/ac_lmfunc_impl.h"
#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::FileExists;
using lexkit_test::ReadFile;
using lexkit_test::RunChild;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

void WriteInputs(const ScratchDir &dir, int first, const std::vector<std::string> &inputs,
                 const std::string &ext = "") {
  for (size_t i = 0; i < inputs.size(); ++i)
    WriteFile(dir.File(std::to_string(first + static_cast<int>(i)) + ext), inputs[i]);
}

ChildResult RunMerge(const ScratchDir &dir, int start, int end, int max_files, int n,
                     const std::string &out = "", int verbosity = 2,
                     const std::string &ext = "") {
  std::string path = out.empty() ? dir.File("out") : out;
  return RunChild([&] {
    FILE *fp = fopen(path.c_str(), "wb");
    merge_tempfiles(start, end, dir.path().c_str(), ext.c_str(), max_files, fp, n, verbosity);
    if (fclose(fp) != 0) printf("close failed");
  });
}

TEST(MergeTextNgrams, SumsAcrossInputsInByteOrder) {
  struct Case {
    std::vector<std::string> inputs;
    int n;
    std::string out;
  } cases[] = {
      {{"a b 2\n", "a b 5\n", "a b 1\n"}, 2, "a b 8\n"},
      {{"a b 2\na b 3\n", "a b 4\n"}, 2, "a b 6\na b 3\n"},
      {{"ab b 1\n", "a ba 2\n", "a b 3\n"}, 2, "a b 3\na ba 2\nab b 1\n"},
      {{"", "x 1\ny 2\n", "  \n\n"}, 1, "x 1\ny 2\n"},
      {{"", ""}, 1, ""},
      // Any white space separates; the last record may lack its line end.
      {{"p\tq\n\n 7 r s -2", "p q +1\n"}, 2, "p q 8\nr s -2\n"},
      {{"\xc3\xa9 1\n", "z 1\n\xff 4\n"}, 1, "z 1\n\xc3\xa9 1\n\xff 4\n"},
  };
  for (const Case &c : cases) {
    ScratchDir dir;
    WriteInputs(dir, 1, c.inputs);
    int end = static_cast<int>(c.inputs.size());
    ChildResult r = RunMerge(dir, 1, end, 10, c.n);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Merging temp files 1 through " + std::to_string(end) + "...\n");
    EXPECT_EQ(ReadFile(dir.File("out")), c.out);
    for (int i = 1; i <= end; ++i) EXPECT_FALSE(FileExists(dir.File(std::to_string(i))));
  }
}

std::string Merging(int a, int b) {
  return "Merging temp files " + std::to_string(a) + " through " + std::to_string(b) + "...\n";
}

TEST(MergeTextNgrams, GroupsAndTheirNumbers) {
  struct Case {
    int inputs, max_files;
    std::string err;
  } cases[] = {
      {10, 10, Merging(1, 10)},
      {11, 10,
       Merging(1, 11) + "10 files to do, in 2 groups\n" + Merging(1, 10) + Merging(11, 11) +
           Merging(12, 13)},
      {25, 10,
       Merging(1, 25) + "24 files to do, in 3 groups\n" + Merging(1, 10) + Merging(11, 20) +
           Merging(21, 25) + Merging(26, 28)},
      {7, 2,
       Merging(1, 7) + "6 files to do, in 4 groups\n" + Merging(1, 2) + Merging(3, 4) +
           Merging(5, 6) + Merging(7, 7) + Merging(8, 11) + "3 files to do, in 2 groups\n" +
           Merging(8, 9) + Merging(10, 11) + Merging(12, 13)},
  };
  for (const Case &c : cases) {
    ScratchDir dir;
    std::vector<std::string> inputs;
    std::string expected;
    for (int i = 1; i <= c.inputs; ++i) {
      char line[32];
      snprintf(line, sizeof line, "w%03d 1\n", i);
      inputs.push_back(std::string(line) + "zz 1\n");
      expected += line;
    }
    expected += "zz " + std::to_string(c.inputs) + "\n";
    WriteInputs(dir, 1, inputs);
    ChildResult r = RunMerge(dir, 1, c.inputs, c.max_files, 1);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(ReadFile(dir.File("out")), expected);
    EXPECT_EQ(RunShell("ls '" + dir.path() + "'").out, "out\n");
  }
  // The group count is shown whatever the verbosity.
  ScratchDir dir;
  WriteInputs(dir, 1, {"a 1\n", "b 1\n", "c 1\n"});
  ChildResult r = RunMerge(dir, 1, 3, 2, 1, "", 1);
  EXPECT_EQ(r.err, "2 files to do, in 2 groups\n");
  EXPECT_EQ(ReadFile(dir.File("out")), "a 1\nb 1\nc 1\n");
}

// Intermediate numbers wrap at 65536: up to 65535 inputs leave a free name
// for the first intermediate file (the later ones reuse merged inputs').
TEST(MergeTextNgrams, IntermediateNumbersWrapPastMergedInputs) {
  struct Case {
    int end;
    std::string err_tail;
  } cases[] = {
      {65535, "Failed to open '/nonexistent/0' with mode 'wb': No such file or directory\n"},
      {65536, "merge_tempfiles: no free numbers for intermediate files after file 65536\n"},
  };
  for (const Case &c : cases) {
    ChildResult r = RunChild([&] {
      merge_tempfiles(1, c.end, "/nonexistent", "", 10, stdout, 1, 0);
    });
    EXPECT_EQ(r.status, 255);
    ASSERT_GE(r.err.size(), c.err_tail.size());
    EXPECT_EQ(r.err.substr(r.err.size() - c.err_tail.size()), c.err_tail) << r.err;
  }
}

TEST(MergeTextNgrams, StagedMergeEqualsDirectMerge) {
  std::mt19937 rng(23);
  std::vector<std::string> inputs;
  for (int i = 0; i < 30; ++i) {
    std::map<std::string, int> grams;
    for (int k = static_cast<int>(rng() % 30); k > 0; --k)
      grams["w" + std::to_string(rng() % 9) + " v" + std::to_string(rng() % 9)] =
          1 + static_cast<int>(rng() % 50);
    std::string text;
    for (const auto &[g, c] : grams) {
      text += g + " " + std::to_string(c) + "\n";
      if (rng() % 8 == 0) text += g + " 1\n";
    }
    inputs.push_back(text);
  }
  std::string outputs[2];
  for (int staged = 0; staged < 2; ++staged) {
    ScratchDir dir;
    WriteInputs(dir, 100, inputs, ".gz");
    for (int i = 100; i < 130; ++i) {
      std::string f = dir.File(std::to_string(i) + ".gz");
      ASSERT_EQ(RunShell("mv '" + f + "' '" + f + ".raw' && gzip -c '" + f + ".raw' > '" + f +
                         "' && rm '" + f + ".raw'")
                    .status,
                0);
    }
    ChildResult r = RunMerge(dir, 100, 129, staged ? 3 : 40, 2, "", 0, ".gz");
    ASSERT_EQ(r.status, 0) << r.err;
    outputs[staged] = ReadFile(dir.File("out"));
    EXPECT_EQ(RunShell("ls '" + dir.path() + "'").out, "out\n");
  }
  EXPECT_EQ(outputs[1], outputs[0]);
  EXPECT_FALSE(outputs[0].empty());
}

TEST(MergeTextNgrams, BadInputsEndTheProcessAndKeepTheFiles) {
  struct Case {
    std::string content;
    int n;
    std::string err;  // %s: the file's name
  } cases[] = {
      {"a b x\n", 2, "Error reading temp file %s\n"},
      {"a b 1\na b x\n", 2, "Error reading temp file count %s\n"},
      {"a b 1\nc", 2, "Error reading temp file %s\n"},
      {"a b 1\nc d", 2, "Error reading temp file count %s\n"},
      {"a 99999999999\n", 1, "Error reading temp file %s\n"},
      {std::string(500, 'w') + " 1\n", 1,
       "merge_tempfiles: temp file %s holds a word longer than 499 bytes\n"},
      {std::string(400, 'w') + " " + std::string(400, 'w') + " " + std::string(199, 'w') + " 1\n",
       3, "merge_tempfiles: temp file %s holds an n-gram longer than 999 bytes\n"},
  };
  for (const Case &c : cases) {
    ScratchDir dir;
    WriteInputs(dir, 1, {c.content, "a b 1\n"});
    ChildResult r = RunMerge(dir, 1, 2, 10, c.n, "", 0);
    std::string err = c.err;
    err.replace(err.find("%s"), 2, dir.File("1"));
    EXPECT_EQ(r.status, 255) << c.content;
    EXPECT_EQ(r.err, err);
    EXPECT_TRUE(FileExists(dir.File("1")));
    EXPECT_TRUE(FileExists(dir.File("2")));
  }
  // Limits that are reached exactly are fine.
  ScratchDir dir;
  std::string word(499, 'w');
  std::string text = std::string(400, 'u') + " " + std::string(400, 'v') + " " + std::string(197, 'w');
  WriteInputs(dir, 1, {word + " 1\n", text + " 2\n"});
  ASSERT_EQ(RunMerge(dir, 1, 1, 10, 1, "", 0).status, 0);
  EXPECT_EQ(ReadFile(dir.File("out")), word + " 1\n");
  ASSERT_EQ(RunMerge(dir, 2, 2, 10, 3, "", 0).status, 0);
  EXPECT_EQ(ReadFile(dir.File("out")), text + " 2\n");
}

TEST(MergeTextNgrams, WriteErrorsKeepTheInputs) {
  ScratchDir dir;
  WriteInputs(dir, 1, {"a 1\n", "b 2\n"});
  ChildResult r = RunMerge(dir, 1, 2, 10, 1, "/dev/full", 0);
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err,
            "Write error encountered while attempting to merge temporary files.\n"
            "Aborting, but keeping temporary files.\n");
  EXPECT_TRUE(FileExists(dir.File("1")));
  EXPECT_TRUE(FileExists(dir.File("2")));

  r = RunChild([&] { merge_tempfiles(1, 1, std::string(300, 'r').c_str(), "", 5, stdout, 1, 0); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "merge_tempfiles: the file name '" + std::string(300, 'r') +
                       "/1' is longer than 299 characters\n");
  r = RunChild([&] { merge_tempfiles(1, 3, dir.path().c_str(), "", 1, stdout, 1, 0); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "merge_tempfiles: 3 files cannot be merged 1 at a time\n");
}

}  // namespace
