// The k-way merge itself, over a format of its own: "key count" lines with
// numeric keys, merged into a list in memory.
#include "libs/ngrams/kway_merge.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

using lexkit_test::RunChild;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

using Records = std::vector<std::pair<unsigned, int32_t>>;

struct ListSink {
  void Put(unsigned key, int32_t count) { records.emplace_back(key, count); }
  void Finish() {}
  Records records;
};

struct LineSink {
  void Put(unsigned key, int32_t count) { fprintf(fp, "%u %d\n", key, count); }
  void Finish() { fflush(fp); }
  FILE *fp;
};

// Notes every run in `trace`: "first-last", and "/groups" when it is staged.
struct LineFormat {
  using Key = unsigned;
  struct Reader {
    FILE *fp;
  };
  using Stage = LineSink;

  std::unique_ptr<Reader> Open(FILE *fp, const std::string &) const {
    return std::make_unique<Reader>(Reader{fp});
  }
  Key NewKey() const { return 0; }
  bool Read(Reader &reader, Key *key, int32_t *count, bool) const {
    return fscanf(reader.fp, "%u %d", key, count) == 2;
  }
  int Compare(Key a, Key b) const { return a < b ? -1 : a > b; }
  [[noreturn]] void CountOverflow(int64_t total, Key key) const {
    quit(-1, "key %u: %lld\n", key, static_cast<long long>(total));
  }
  Stage OpenStage(FILE *fp) const { return LineSink{fp}; }
  void RunStarts(int64_t first, int64_t last) const {
    *trace += " " + std::to_string(first) + "-" + std::to_string(last);
  }
  void RunStaged(int64_t, int64_t, int64_t groups) const {
    *trace += "/" + std::to_string(groups);
  }

  std::string *trace;
};

// Inputs 1, 2, ... of one merge in a scratch directory, and the trace of
// its runs.
struct Merger {
  explicit Merger(const std::vector<std::string> &inputs) {
    for (size_t i = 0; i < inputs.size(); ++i)
      WriteFile(dir.File(std::to_string(i + 1) + ".t"), inputs[i]);
  }

  Records Run(int64_t last, int max_files = 10,
              lexkit::Rounds rounds = lexkit::Rounds::kFirstGroup) {
    const lexkit::MergePlan plan{
        "test", lexkit::TempNames(dir.path().c_str(), ".t", "test", "file name", 1000),
        max_files, rounds};
    ListSink sink;
    lexkit::KWayMerge(LineFormat{&trace}, plan, 1, last, sink);
    return sink.records;
  }

  std::string Left() const { return RunShell("ls '" + dir.path() + "'").out; }

  ScratchDir dir;
  std::string trace;
};

TEST(KWayMerge, OrdersGroupsAndSums) {
  struct Case {
    std::vector<std::string> inputs;
    Records out;
  } cases[] = {
      {{"1 2\n3 1\n", "1 5\n2 1\n", "1 1\n"}, {{1, 8}, {2, 1}, {3, 1}}},
      // Counts are summed across inputs only.
      {{"4 1\n4 2\n", "4 3\n"}, {{4, 4}, {4, 2}}},
      {{"", "5 1\n9 2\n", ""}, {{5, 1}, {9, 2}}},
      {{"", ""}, {}},
      {{}, {}},
      // The 32-bit range is reached, not left.
      {{"7 2147483646\n", "7 1\n", "8 -2147483647\n", "8 -1\n"},
       {{7, 2147483647}, {8, -2147483647 - 1}}},
  };
  for (const Case &c : cases) {
    Merger merger(c.inputs);
    EXPECT_EQ(merger.Run(static_cast<int64_t>(c.inputs.size())), c.out);
    EXPECT_EQ(merger.trace, " 1-" + std::to_string(c.inputs.size()));
    EXPECT_EQ(merger.Left(), "");
  }
}

TEST(KWayMerge, RoundsThroughIntermediateFiles) {
  const std::vector<std::string> inputs = {"1 1\n6 1\n", "2 1\n6 1\n", "", "1 1\n3 1\n",
                                           "6 4\n"};
  const Records merged = {{1, 2}, {2, 1}, {3, 1}, {6, 6}};
  struct Case {
    lexkit::Rounds rounds;
    std::string trace;
  } cases[] = {
      {lexkit::Rounds::kEveryGroup, " 1-5/3 1-2 3-4 5-5 6-8/2 6-7 8-8 9-10"},
      {lexkit::Rounds::kFirstGroup, " 1-5/1 1-2 3-6/1 3-4 5-7/1 5-6 7-8"},
  };
  for (const Case &c : cases) {
    Merger merger(inputs);
    EXPECT_EQ(merger.Run(5, 2, c.rounds), merged);
    EXPECT_EQ(merger.trace, c.trace);
    EXPECT_EQ(merger.Left(), "");
  }
}

TEST(KWayMerge, FailuresEndTheProcessAndKeepTheInputs) {
  struct Case {
    std::vector<std::string> inputs;
    int64_t last;
    std::string err;
  } cases[] = {
      {{"7 2147483647\n", "7 1\n"}, 2, "key 7: 2147483648\n"},
      {{"3 1\n", "7 -2147483648\n", "7 -1\n"}, 3, "key 7: -2147483649\n"},
      // A second round would give its intermediate file the name of file 1,
      // still to be merged; nothing is opened.
      {{}, 65536, "test: no free number for an intermediate file after file 65536\n"},
  };
  for (const Case &c : cases) {
    Merger merger(c.inputs);
    const std::string inputs = merger.Left();
    auto r = RunChild([&] { merger.Run(c.last); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(merger.Left(), inputs);
  }
}

}  // namespace
