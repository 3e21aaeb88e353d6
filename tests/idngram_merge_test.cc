// Merge of temporary id n-gram files into the id n-gram file, with the
// frequency-of-frequency statistics.
#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "idngram_files.h"
#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/stats.h"
#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::Decode;
using lexkit_test::Encode;
using lexkit_test::FileExists;
using lexkit_test::ReadFile;
using lexkit_test::Record;
using lexkit_test::RunChild;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

using Records = std::vector<Record>;

void WriteInputs(const ScratchDir &dir, int first, const std::vector<Records> &inputs,
                 const std::string &ext = "") {
  for (size_t i = 0; i < inputs.size(); ++i)
    WriteFile(dir.File(std::to_string(first + static_cast<int>(i)) + ext), Encode(inputs[i]));
}

struct MergeJob {
  MergeJob(int first, int last) : start(first), end(last) {}
  int start, end;
  int max_files = 10;
  bool ascii = false;
  int fof_size = 0;
  int n = 2;
  std::string ext;
  std::string out = "";  // default: <dir>/out
};

ChildResult RunMerge(const ScratchDir &dir, const MergeJob &job) {
  std::string out = job.out.empty() ? dir.File("out") : job.out;
  return RunChild([&] {
    FILE *fp = fopen(out.c_str(), "wb");
    merge_idngramfiles(job.start, job.end, dir.path().c_str(), job.ext.c_str(),
                       job.max_files, fp, job.ascii, job.fof_size, job.n);
    if (fclose(fp) != 0) printf("close failed");
  });
}

// What display_fof_array prints for these tallies.
std::string FofDisplay(std::vector<ngram_sz_t> totals, std::vector<std::vector<fof_t>> rows,
                       int fof_size, int n) {
  return RunChild([&] {
           std::vector<fof_t *> ptrs;
           for (auto &row : rows) ptrs.push_back(row.data());
           display_fof_array(totals.data(), ptrs.data(), static_cast<fof_sz_t>(fof_size),
                             stderr, n);
         })
      .err;
}

TEST(MergeIdNgrams, SumsAcrossInputsOnly) {
  struct Case {
    std::vector<Records> inputs;
    Records out;
  } cases[] = {
      {{{{{1, 2}, 2}}, {{{1, 2}, 5}}, {{{1, 2}, 1}}}, {{{1, 2}, 8}}},
      {{{{{1, 2}, 2}, {{1, 2}, 3}}, {{{1, 2}, 4}}}, {{{1, 2}, 6}, {{1, 2}, 3}}},
      {{{}, {{{3, 1}, 1}, {{4, 0}, 2}}, {}}, {{{3, 1}, 1}, {{4, 0}, 2}}},
      {{{}, {}}, {}},
      {{{{{0, 5}, 1}, {{2, 0}, 1}}, {{{0, 4}, 3}, {{2, 0}, 2}, {{9, 9}, 1}}},
       {{{0, 4}, 3}, {{0, 5}, 1}, {{2, 0}, 3}, {{9, 9}, 1}}},
      // Ids of 40000000 and above, up to the largest 32-bit id.
      {{{{{39999999, 1}, 1}, {{40000000, 40000000}, 2}, {{4294967295u, 0}, 1}},
        {{{40000000, 40000000}, 5}, {{4294967295u, 4294967295u}, 7}}},
       {{{39999999, 1}, 1}, {{40000000, 40000000}, 7}, {{4294967295u, 0}, 1},
        {{4294967295u, 4294967295u}, 7}}},
  };
  for (const Case &c : cases) {
    ScratchDir dir;
    WriteInputs(dir, 1, c.inputs);
    ChildResult r = RunMerge(dir, {1, static_cast<int>(c.inputs.size())});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Decode(ReadFile(dir.File("out")), 2), c.out);
    for (size_t i = 1; i <= c.inputs.size(); ++i) EXPECT_FALSE(FileExists(dir.File(std::to_string(i))));
  }
}

TEST(MergeIdNgrams, OutputForms) {
  ScratchDir dir;
  Records trigram = {{{12, 7, 3}, 5}, {{4294967295u, 0, 1}, 2}};
  WriteInputs(dir, 1, {trigram});
  MergeJob job{1, 1};
  job.n = 3;
  job.ascii = true;
  ASSERT_EQ(RunMerge(dir, job).status, 0);
  EXPECT_EQ(ReadFile(dir.File("out")), "12 7 3 5\n-1 0 1 2\n");
  WriteInputs(dir, 1, {trigram});
  job.ascii = false;
  ASSERT_EQ(RunMerge(dir, job).status, 0);
  EXPECT_EQ(ReadFile(dir.File("out")), Encode(trigram));
  // Compressed inputs; numbers written in 16 bits (65537 is file 1).
  WriteInputs(dir, 1, {trigram}, ".x");
  ASSERT_EQ(lexkit_test::RunShell("gzip '" + dir.File("1.x") + "'").status, 0);
  job.start = job.end = 65537;
  job.ext = ".x.gz";
  ChildResult r = RunMerge(dir, job);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir.File("out")), Encode(trigram));
  EXPECT_FALSE(FileExists(dir.File("1.x.gz")));
  // One ASCII record longer than the output block: 100000 ids of 11 chars.
  Records wide = {{std::vector<wordid_t>(100000, 2147483648u), 3}};
  WriteInputs(dir, 1, {wide});
  job = MergeJob{1, 1};
  job.n = 100000;
  job.ascii = true;
  r = RunMerge(dir, job);
  ASSERT_EQ(r.status, 0) << r.err;
  std::string line;
  for (int i = 0; i < 100000; ++i) line += "-2147483648 ";
  EXPECT_EQ(ReadFile(dir.File("out")), line + "3\n");
}

TEST(MergeIdNgrams, FrequencyOfFrequencyStatistics) {
  ScratchDir dir;
  Records trigrams = {{{1, 2, 3}, 2}, {{1, 2, 4}, 1}, {{1, 5, 6}, 4}, {{1, 5, 7}, 1}};
  // Split over two inputs, so the statistics follow the merged output.
  WriteInputs(dir, 1, {{trigrams[0], trigrams[3]}, {trigrams[1], trigrams[2]}});
  MergeJob job{1, 2};
  job.n = 3;
  job.fof_size = 10;
  ChildResult r = RunMerge(dir, job);
  ASSERT_EQ(r.status, 0);
  std::vector<fof_t> bigrams(11), tri(11);
  bigrams[3] = bigrams[5] = 1;
  tri[1] = 2;
  tri[2] = tri[4] = 1;
  EXPECT_EQ(r.err, FofDisplay({2, 4}, {bigrams, tri}, 10, 3));

  // A count above fof_size is counted but not tallied; 4-grams tally the
  // trigram and bigram prefixes; a repeated 4-gram counts twice.
  Records fourgrams = {{{1, 1, 1, 1}, 3}, {{1, 1, 1, 2}, 1}, {{1, 1, 2, 1}, 1},
                       {{2, 1, 1, 1}, 1}, {{2, 1, 1, 1}, 1}};
  WriteInputs(dir, 1, {fourgrams});
  job = MergeJob{1, 1};
  job.n = 4;
  job.fof_size = 3;
  r = RunMerge(dir, job);
  std::vector<fof_t> b(4), t(4), f(4);
  b[2] = 1;          // (2,1): 2; (1,1): 5 is above 3
  t[1] = 1;          // (1,1,2): 1; (2,1,1): 2; (1,1,1): 4 above
  t[2] = 1;
  f[1] = 4;          // the 4-grams of count 1; the count 3 is tallied at 3
  f[3] = 1;
  EXPECT_EQ(r.err, FofDisplay({2, 3, 5}, {b, t, f}, 3, 4));

  // Statistics off: fof_size 0, or unigrams only. All inputs empty: zeros.
  for (auto [fof_size, n] : {std::pair{0, 3}, std::pair{5, 1}}) {
    WriteInputs(dir, 1, {{{std::vector<uint32_t>(static_cast<size_t>(n), 1), 2}}});
    job = MergeJob{1, 1};
    job.n = n;
    job.fof_size = fof_size;
    r = RunMerge(dir, job);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
  }
  WriteInputs(dir, 1, {{}, {}});
  job = MergeJob{1, 2};
  job.fof_size = 2;
  r = RunMerge(dir, job);
  EXPECT_EQ(r.err, FofDisplay({0}, {std::vector<fof_t>(3)}, 2, 2));
  EXPECT_EQ(ReadFile(dir.File("out")), "");
}

// Random sorted inputs, some with an n-gram repeated in a row.
std::vector<Records> RandomInputs(std::mt19937 &rng, int count, int n) {
  std::vector<Records> inputs;
  for (int i = 0; i < count; ++i) {
    std::map<std::vector<uint32_t>, int32_t> grams;
    int size = static_cast<int>(rng() % 40);
    for (int k = 0; k < size; ++k) {
      std::vector<uint32_t> g;
      for (int p = 0; p < n; ++p) g.push_back(rng() % 4 == 0 ? 4000000000u + rng() % 3 : rng() % 6);
      grams[g] = 1 + static_cast<int32_t>(rng() % 7);
    }
    Records records;
    for (const auto &[g, c] : grams) {
      records.push_back({g, c});
      if (rng() % 10 == 0) records.push_back({g, c + 1});
    }
    inputs.push_back(records);
  }
  return inputs;
}

TEST(MergeIdNgrams, StagedMergeEqualsDirectMerge) {
  std::mt19937 rng(17);
  for (int round = 0; round < 4; ++round) {
    int count = round == 0 ? 25 : 5 + static_cast<int>(rng() % 30);
    int n = 1 + round;
    auto inputs = RandomInputs(rng, count, n);
    std::string outputs[2], errs[2];
    for (int staged = 0; staged < 2; ++staged) {
      ScratchDir dir;
      WriteInputs(dir, 7, inputs, ".t");
      MergeJob job{7, 6 + count};
      job.max_files = staged ? 3 + round % 2 : 64;
      job.ascii = round % 2;
      job.fof_size = 4;
      job.n = n;
      job.ext = ".t";
      ChildResult r = RunMerge(dir, job);
      ASSERT_EQ(r.status, 0) << r.err;
      outputs[staged] = ReadFile(dir.File("out"));
      errs[staged] = r.err;
      // Nothing is left but the output.
      EXPECT_EQ(lexkit_test::RunShell("ls '" + dir.path() + "'").out, "out\n");
    }
    EXPECT_EQ(outputs[1], outputs[0]) << round;
    EXPECT_EQ(errs[1], errs[0]) << round;
    EXPECT_FALSE(outputs[0].empty());
  }
}

TEST(MergeIdNgrams, FailuresKeepTheInputs) {
  ScratchDir dir;
  Records one = {{{1, 2}, 1}};
  struct Case {
    bool ascii;
    std::string err;
  } cases[] = {
      {true,
       "Write error encountered while attempting to merge temporary files.\n"
       "Aborting, but keeping temporary files.\n"},
      {false,
       "Write error encountered while attempting to merge temporary files.\n"
       "Aborting, but keeping temporary files.\n"},
  };
  for (const Case &c : cases) {
    WriteInputs(dir, 1, {one, one});
    MergeJob job{1, 2};
    job.ascii = c.ascii;
    job.out = "/dev/full";
    ChildResult r = RunMerge(dir, job);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(FileExists(dir.File("1")));
    EXPECT_TRUE(FileExists(dir.File("2")));
  }
  // A large binary output fails inside the loop and names the field.
  Records many;
  for (uint32_t i = 0; i < 100000; ++i) many.push_back({{i, i}, 1});
  WriteInputs(dir, 1, {many});
  MergeJob job{1, 1};
  job.out = "/dev/full";
  ChildResult r = RunMerge(dir, job);
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "ox_fwrite: problems writing n-gram ids.  Only 0 of 1 elements were written\n");
  EXPECT_TRUE(FileExists(dir.File("1")));
}

TEST(MergeIdNgrams, BadInputsAndArguments) {
  const std::string full = Encode({{{1, 2}, 1}});
  struct Case {
    std::string bytes;
    std::string err;
  } cases[] = {
      {full.substr(0, 5),
       "ox_fread: problems reading temporary n-gram ids.  Only 0 of 1 elements were read\n"},
      {full.substr(0, 8),
       "ox_fread: problems reading temporary n-gram counts.  Only 0 of 1 elements were read\n"},
      {full + full.substr(0, 10),
       "ox_fread: problems reading temporary n-gram count.  Only 0 of 1 elements were read\n"},
  };
  for (const Case &c : cases) {
    ScratchDir dir;
    WriteFile(dir.File("1"), c.bytes);
    ChildResult r = RunMerge(dir, {1, 1});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(FileExists(dir.File("1")));
  }

  ScratchDir dir;
  ChildResult r = RunChild([&] {
    merge_idngramfiles(1, 1, std::string(1000, 'r').c_str(), "", 5, stdout, 0, 0, 2);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "merge_idngramfiles: the file name '" + std::string(1000, 'r') +
                       "/1' is longer than 999 characters\n");
  r = RunChild([&] { merge_idngramfiles(1, 3, dir.path().c_str(), "", 1, stdout, 0, 0, 2); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "merge_idngramfiles: 3 files cannot be merged 1 at a time\n");
  r = RunChild([&] { merge_idngramfiles(1, 1, dir.path().c_str(), "", 5, stdout, 0, 0, 0); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "merge_idngramfiles: the n-gram order must be at least 1, not 0\n");
  r = RunChild([&] {
    merge_idngramfiles(1, 1, dir.path().c_str(), "", 5, stdout, 0, 0, 2);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "ox_iopen: None of '" + dir.File("1") + "' '" + dir.File("1") +
                       ".Z' or '" + dir.File("1") + ".gz' exist.\n");
}

TEST(MergeIdNgrams, ComparatorSignIsReversed) {
  ScratchDir dir;
  ChildResult r = RunChild([&] {
    merge_idngramfiles(2, 1, dir.path().c_str(), "", 5, stdout, 0, 0, 2);
    wordid_t a[2] = {3, 9}, b[2] = {4, 0}, big[2] = {2147483648u, 0};
    printf("%d %d %d %d", compare_ngrams3(a, b), compare_ngrams3(b, a),
           compare_ngrams3(big, b), compare_ngrams3(a, a));
  });
  EXPECT_EQ(r.out, "1 -1 -1 0");
}

}  // namespace
