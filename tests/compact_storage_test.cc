// Two-byte back-off weights, count table places and the decoding of short
// successor indices.
#include <gtest/gtest.h>
#include <math.h>

#include <random>
#include <vector>

#include "lexkit/ngram.h"
#include "liblmest/build/model_tables.h"
#include "test_support.h"

using lexkit_test::RunChild;

namespace {

// A side table and its size, coded over [-3, 0] in 30000 steps by default.
struct Alphas {
  unsigned short Code(double alpha) {
    return short_alpha(alpha, table.data(), &size, steps, min, max);
  }
  double Decode(unsigned short code) {
    return double_alpha(code, table.data(), size, steps, min, max);
  }
  std::vector<double> table = std::vector<double>(8, 12345.0);
  unsigned short size = 0;
  int steps = 30000;
  double min = -3, max = 0;
};

TEST(TwoByteAlphas, InRangeAlphasAreQuantised) {
  Alphas a;
  EXPECT_EQ(a.Code(1.0), 30000);
  EXPECT_EQ(a.Code(0.1), 20000);
  EXPECT_EQ(a.Code(0.001), 0);
  EXPECT_EQ(a.size, 0);
  EXPECT_EQ(a.Decode(30000), 1.0);
  EXPECT_DOUBLE_EQ(a.Decode(20000), 0.1);
  // Coding and decoding give the lower edge of the step, within one step.
  for (double alpha : {0.0012345, 0.05, 0.3333, 0.77, 0.999}) {
    const double back = a.Decode(a.Code(alpha));
    EXPECT_LE(back, alpha * (1 + 1e-12)) << alpha;
    EXPECT_LT(log10(alpha) - log10(back), 3.0 / 30000 + 1e-12) << alpha;
  }
}

TEST(TwoByteAlphas, OutOfRangeAlphasAreKeptExactlyInOrder) {
  Alphas a;
  EXPECT_EQ(a.Code(0.0), 30001);
  EXPECT_EQ(a.size, 1);
  EXPECT_EQ(a.table[0], -99.999);
  EXPECT_EQ(a.Code(0.0), 30001);  // known already: nothing more is stored
  EXPECT_EQ(a.Code(-4.0), 30001);
  EXPECT_EQ(a.Code(NAN), 30001);
  EXPECT_EQ(a.size, 1);
  EXPECT_EQ(a.Code(10.0), 30002);
  EXPECT_EQ(a.Code(3e-7), 30003);
  EXPECT_EQ(a.Code(10.0), 30002);
  EXPECT_EQ(a.size, 3);
  EXPECT_EQ(a.table[3], 12345.0);  // nothing written past the values stored
  EXPECT_EQ(a.Decode(30001), pow(10.0, -99.999));
  EXPECT_EQ(a.Decode(30002), pow(10.0, log10(10.0)));
  EXPECT_EQ(a.Decode(30003), pow(10.0, log10(3e-7)));
}

TEST(TwoByteAlphas, DegenerateRangesDoNotDivideByZero) {
  Alphas single;  // a range of one value
  single.min = single.max = -1;
  EXPECT_EQ(single.Code(0.1), 0);
  EXPECT_EQ(single.Decode(0), pow(10.0, -1));
  EXPECT_EQ(single.Code(1.0), 30001);  // out of range
  EXPECT_EQ(single.Decode(30001), 1.0);

  Alphas no_steps;
  no_steps.steps = 0;
  EXPECT_EQ(no_steps.Code(0.1), 0);
  EXPECT_EQ(no_steps.Decode(0), pow(10.0, -3));
  EXPECT_EQ(no_steps.Code(10.0), 1);
  EXPECT_EQ(no_steps.Decode(1), 10.0);
}

TEST(TwoByteAlphas, FailuresStopWithMessage) {
  auto r = RunChild([] {
    Alphas a;
    a.Code(0.0);
    a.Decode(30002);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "Error : two-byte alpha value is out of range. short alpha = 30002\n");

  // With 65533 steps only the codes 65534 and 65535 are left.
  r = RunChild([] {
    Alphas a;
    a.steps = 65533;
    const int first = a.Code(0.0);
    printf("%d %d\n", first, a.Code(10.0));
    fflush(stdout);
    a.Code(100.0);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "65534 65535\n");
  EXPECT_EQ(r.err,
            "Error : Number of out-of-range alphas exceeds 2. Rerun with a bigger \n"
            "range (use the -min_alpha and -max_alpha options), or a higher number of \n"
            "allowed out of range alphas (use the -out_of_range_alphas options).\n");
}

TEST(CountTable, PlacesCountsAndKeepsTheirPlaces) {
  struct Case {
    int size;
    std::vector<int> counts;
    std::vector<int> places;
    std::vector<int> table_after;
  } cases[] = {
      {10, {3, 3, 500, 7, 600}, {3, 3, 9, 7, 8}, {0, 0, 0, 3, 0, 0, 0, 7, 600, 500}},
      // A small count whose own entry is taken goes to the highest free one.
      {10, {500, 9, 9, 1}, {9, 8, 8, 1}, {0, 1, 0, 0, 0, 0, 0, 0, 9, 500}},
      // A count at the size is no small count; a negative one neither.
      {4, {4, -2, 4}, {3, 2, 3}, {0, 0, -2, 4}},
      // 0 gets the highest free place without taking it.
      {4, {0, 0, 9}, {3, 3, 3}, {0, 0, 0, 9}},
      // Entry 0 is the last place taken.
      {3, {7, 8, 9}, {2, 1, 0}, {9, 8, 7}},
  };
  for (const Case &c : cases) {
    std::vector<int> table(c.size, 0);
    std::vector<int> places;
    for (int v : c.counts) places.push_back(lookup_index_of(table.data(), c.size, v));
    EXPECT_EQ(places, c.places) << c.counts[0];
    EXPECT_EQ(table, c.table_after) << c.counts[0];
  }
}

TEST(CountTable, FullTableStopsWithMessage) {
  auto r = RunChild([] {
    std::vector<int> table(4, 0);
    for (int v : {100, 200, 300, 400}) printf("%d ", lookup_index_of(table.data(), 4, v));
    printf("%d ", lookup_index_of(table.data(), 4, 200));
    fflush(stdout);
    lookup_index_of(table.data(), 4, 500);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "3 2 1 0 2 ");
  EXPECT_EQ(r.err,
            "Error - more than 4 entries required in the count table. \n"
            "Cannot store counts in two bytes. Use the -four_byte_counts flag.\n");
}

}  // namespace

namespace {

// The successor positions of the model tables decode as get_full_index
// decodes them, before and after the tables index their blocks: with
// entries of no successors, spans of entries within one block, and contexts
// of more than 65000 successors (several blocks start at one entry).
TEST(ModelTables, FirstSuccessorDecodesAsGetFullIndex) {
  ng_t ng{};
  ng.n = 2;
  ng.vocab_size = 20000;
  std::mt19937 random(3);
  std::vector<uint64_t> first(ng.vocab_size + 2, 0);
  for (uint32_t i = 0; i <= 20000; ++i) {
    const uint64_t successors = i == 7 || i == 9000 || i == 9001 ? 140000 : random() % 21;
    first[i + 1] = first[i] + successors;
  }
  lexkit::ModelTables tables(&ng, lexkit::StorageConfig(), first.back());
  for (uint32_t i = 0; i <= 20000; ++i) {
    tables.SetFirstSuccessor(0, i, first[i]);
    for (uint64_t s = first[i]; s < first[i + 1]; ++s) tables.Append(1, 1, 1);
  }
  for (bool indexed : {false, true}) {
    if (indexed) tables.IndexBlocks();
    for (uint32_t i = 0; i <= 20000; ++i) {
      ASSERT_EQ(tables.FirstSuccessor(0, i), first[i]) << i << (indexed ? " indexed" : "");
      ASSERT_EQ(tables.FirstSuccessor(0, i),
                static_cast<uint64_t>(get_full_index(ng.ind[0][i], ng.ptr_table[0],
                                                     ng.ptr_table_size[0], static_cast<int>(i))));
    }
  }
}

}  // namespace
