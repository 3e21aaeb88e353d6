// Table sizes counted from an id n-gram file, or split from a memory budget.
#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "lexkit/general.h"
#include "lexkit/ngram.h"
#include "test_support.h"

using lexkit_test::RunChild;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

struct Trigram {
  id__t a, b, c;
  count_t count;
};

const std::vector<Trigram> kThreeTrigrams = {{1, 2, 3, 2}, {1, 2, 4, 1}, {1, 5, 6, 4}};

void WriteBinary(const std::string &path, const std::vector<Trigram> &grams) {
  FILE *fp = ox_fopen(path.c_str(), "wb");
  for (const Trigram &g : grams) {
    for (id__t id : {g.a, g.b, g.c}) ox_fwrite(&id, 4, 1, fp, "n-gram ids");
    ox_fwrite(&g.count, 4, 1, fp, "n-gram counts");
  }
  fclose(fp);
}

std::string AsText(const std::vector<Trigram> &grams) {
  std::string text;
  for (const Trigram &g : grams)
    text += std::to_string(g.a) + " " + std::to_string(g.b) + " " +
            std::to_string(g.c) + " " + std::to_string(g.count) + "\n";
  return text;
}

// A trigram model record on `path`, sized by calc_mem_req.
struct Model {
  Model(const std::string &path, std::vector<cutoff_t> cut) : name(path), cutoffs(cut) {
    ng.n = 3;
    ng.cutoffs = cutoffs.data();
    ng.table_sizes = sizes.data();
    ng.id_gram_filename = &name[0];
    ng.id_gram_fp = ox_iopen(name.c_str());
  }
  ~Model() { ox_iclose(ng.id_gram_fp); }
  std::string name;
  std::vector<cutoff_t> cutoffs;
  std::vector<table_size_t> sizes = {0, 0, 0};
  ng_t ng{};
};

TEST(CalcMemReq, CountsKgramsAboveCutoffsPlusMargin) {
  struct Case {
    const char *name;
    std::vector<Trigram> grams;
    std::vector<cutoff_t> cutoffs;
    std::vector<table_size_t> sizes;
  } cases[] = {
      {"three trigrams", kThreeTrigrams, {0, 0}, {0, 12, 13}},
      {"bigram cutoff 3 keeps (1 5) only", kThreeTrigrams, {3, 0}, {0, 11, 13}},
      {"trigram cutoff 2 keeps (1 5 6) only", kThreeTrigrams, {0, 2}, {0, 12, 11}},
      {"a cutoff equal to the total drops it", kThreeTrigrams, {4, 4}, {0, 10, 10}},
      {"identical n-grams add up", {{1, 2, 3, 2}, {1, 2, 3, 1}}, {0, 2}, {0, 11, 11}},
      {"empty file", {}, {0, 0}, {0, 10, 10}},
      {"one trigram", {{7, 8, 9, 1}}, {0, 0}, {0, 11, 11}},
  };
  ScratchDir dir;
  for (const Case &c : cases) {
    WriteBinary(dir.File("bin"), c.grams);
    WriteFile(dir.File("txt"), AsText(c.grams));
    for (flag ascii : {0, 1}) {
      Model m(dir.File(ascii ? "txt" : "bin"), c.cutoffs);
      calc_mem_req(&m.ng, ascii);
      EXPECT_EQ(m.sizes, c.sizes) << c.name << (ascii ? " (text)" : " (binary)");
    }
  }
}

TEST(CalcMemReq, AddsToTheSizesGivenAndLeavesUnigramsAlone) {
  ScratchDir dir;
  WriteBinary(dir.File("bin"), kThreeTrigrams);
  Model m(dir.File("bin"), {0, 0});
  m.sizes = {5000, 100, 200};
  calc_mem_req(&m.ng, 0);
  EXPECT_EQ(m.sizes, (std::vector<table_size_t>{5000, 112, 213}));
}

// On return the stream is a new one at the start of the file, also when the
// file is read through a decompressor and the old stream had been read on.
TEST(CalcMemReq, ReopensTheFileAtItsStart) {
  ScratchDir dir;
  WriteFile(dir.File("txt"), AsText(kThreeTrigrams));
  ASSERT_EQ(RunShell("gzip -c < '" + dir.File("txt") + "' > '" +
                     dir.File("txt.gz") + "'")
                .status,
            0);
  for (const char *name : {"txt", "txt.gz"}) {
    Model m(dir.File(name), {0, 0});
    std::vector<id__t> ids(3);
    ngram g{3, ids.data(), 0};
    ASSERT_EQ(get_ngram(m.ng.id_gram_fp, &g, 1), 1);
    calc_mem_req(&m.ng, 1);
    EXPECT_EQ(m.sizes, (std::vector<table_size_t>{0, 12, 13})) << name;
    ASSERT_EQ(get_ngram(m.ng.id_gram_fp, &g, 1), 1) << name;
    EXPECT_EQ(ids, (std::vector<id__t>{1, 2, 3})) << name;
    EXPECT_EQ(g.count, 2) << name;
  }
}

TEST(CalcMemReq, CountOfZeroOrLessIsCorrupt) {
  for (count_t bad : {0, -3}) {
    ScratchDir dir;
    WriteBinary(dir.File("bin"), {{1, 2, 3, 2}, {1, 2, 4, bad}});
    auto r = RunChild([&] {
      Model m(dir.File("bin"), {0, 0});
      calc_mem_req(&m.ng, 0);
    });
    EXPECT_EQ(r.status, 255) << bad;
    EXPECT_EQ(r.err,
              "Error : the id n-gram input is corrupt: it holds a count of 0 or "
              "less.\n")
        << bad;
  }
}

TEST(CalcMemReq, SizeBeyondATableSizeStops) {
  ScratchDir dir;
  WriteBinary(dir.File("bin"), kThreeTrigrams);
  auto r = RunChild([&] {
    Model m(dir.File("bin"), {0, 0});
    m.sizes = {0, 0, 2147483647 - 12};
    calc_mem_req(&m.ng, 0);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err,
            "calc_mem_req: 2147483648 3-grams do not fit in a table of at most "
            "2147483647 entries.\n");
}

// Totals of a prefix may exceed 32 bits without turning negative.
TEST(CalcMemReq, LargeTotalsStayPositive) {
  ScratchDir dir;
  WriteBinary(dir.File("bin"), {{1, 2, 3, 2000000000}, {1, 2, 4, 2000000000}});
  Model m(dir.File("bin"), {65535, 0});
  calc_mem_req(&m.ng, 0);
  EXPECT_EQ(m.sizes, (std::vector<table_size_t>{0, 11, 12}));
}

TEST(GuessMem, SplitsTheBudgetAmongTheLevels) {
  struct Case {
    int total_mem, middle_size, end_size, n, verbosity;
    std::vector<table_size_t> sizes;
    std::string report;
  } cases[] = {
      {100, 8, 4, 3, 2, {-1, 6250000, 12500000, -1},
       "Allocated space for 6250000 2-grams.\n"
       "Allocated space for 12500000 3-grams.\n"},
      {100, 8, 4, 3, 1, {-1, 6250000, 12500000, -1}, ""},
      {100, 8, 4, 4, 2, {-1, 4166666, 4166666, 8333333},
       "Allocated space for 4166666 2-grams.\n"
       "Allocated space for 4166666 3-grams.\n"
       "Allocated space for 8333333 4-grams.\n"},
      {100, 0, 4, 2, 2, {-1, 25000000, -1, -1},
       "Allocated space for 25000000 2-grams.\n"},
      // Budgets beyond 32-bit arithmetic, and the largest table size.
      {5000, 8, 4, 3, 2, {-1, 312500000, 625000000, -1},
       "Allocated space for 312500000 2-grams.\n"
       "Allocated space for 625000000 3-grams.\n"},
      {100000, 8, 4, 3, 0, {-1, 2147483647, 2147483647, -1}, ""},
      {-5, 8, 4, 3, 0, {-1, 0, 0, -1}, ""},
      // No level to size.
      {100, 8, 4, 1, 2, {-1, -1, -1, -1}, ""},
      {100, 8, 4, 0, 2, {-1, -1, -1, -1}, ""},
  };
  for (const Case &c : cases) {
    auto r = RunChild([&] {
      std::vector<table_size_t> sizes(4, -1);
      guess_mem(c.total_mem, c.middle_size, c.end_size, c.n, sizes.data(), c.verbosity);
      for (table_size_t s : sizes) printf("%d ", s);
    });
    std::string expected;
    for (table_size_t s : c.sizes) expected += std::to_string(s) + " ";
    EXPECT_EQ(r.out, expected) << c.total_mem << " " << c.n;
    EXPECT_EQ(r.err, c.report) << c.total_mem << " " << c.n;
  }
}

TEST(GuessMem, RefusesEntriesOfNoSize) {
  auto r = RunChild([] {
    table_size_t sizes[3];
    guess_mem(100, 8, 0, 3, sizes, 2);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "guess_mem: an n-gram must take at least one byte, not 0.\n");
}

}  // namespace
