// The discounting method table, the four methods' operations, the
// Good-Turing ratios and the type counts, checked on hand-made tallies and
// against discounts computed here from a small text.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "lexkit/ngram.h"
#include "lexkit/stats.h"
#include "test_support.h"

using lexkit_test::RunChild;

namespace {

const char kCorrupt[] =
    "Error : the id n-gram input is corrupt: it holds a count of 0 or less.\n";

// An ng_t with its per-level arrays owned by vectors. The rows that the
// methods allocate live until the process ends, as in the builders.
struct Model {
  explicit Model(int order, fof_sz_t fof = 10, unsigned short range = 7)
      : fof_rows(order, nullptr),
        fof_size(order, fof),
        disc_range(order, range),
        cutoffs(order + 1, 0) {
    ng.n = static_cast<unsigned short>(order);
    ng.freq_of_freq = fof_rows.data();
    ng.fof_size = fof_size.data();
    ng.disc_range = disc_range.data();
    ng.cutoffs = cutoffs.data();
    ng.count = &unigram_row;
  }
  Model(const Model &) = delete;
  Model &operator=(const Model &) = delete;
  // Sets the unigram count entry of word `i` (growing the row as needed).
  void SetUnigramCount(int i, count_ind_t c) {
    if (unigram_counts.size() <= static_cast<size_t>(i))
      unigram_counts.resize(i + 1);
    unigram_counts[i] = c;
    unigram_row = unigram_counts.data();
  }
  ng_t ng{};
  std::vector<fof_t *> fof_rows;
  std::vector<fof_sz_t> fof_size;
  std::vector<unsigned short> disc_range;
  std::vector<cutoff_t> cutoffs;
  std::vector<count_ind_t> unigram_counts;
  count_ind_t *unigram_row = nullptr;
};

disc_meth_t *Method(int code) { return disc_meth_init(code); }

// ---------------------------------------------------------------- table

TEST(DiscMethTable, EachCodeGetsItsOperations) {
  struct Case {
    int code;
    decltype(disc_meth_t::verbose_method) verbose;
    decltype(disc_meth_t::dump_discounted_ngram_count) dump;
    decltype(disc_meth_t::allocate_freq_of_freq) allocate;
    decltype(disc_meth_t::update_freq_of_freq) update;
    decltype(disc_meth_t::reduce_ug_freq_of_freq) reduce;
    decltype(disc_meth_t::compute_discount_aux) compute;
  } cases[] = {
      {1, dump_disc_meth_good_turing_verbose_method,
       dump_good_turing_discounted_ngram_count,
       disc_meth_good_turing_allocate_freq_of_freq,
       disc_meth_good_turing_update_freq_of_freq,
       disc_meth_good_turing_reduce_ug_freq_of_freq,
       disc_meth_good_turing_compute_disc_aux},
      {2, dump_disc_meth_absolute_verbose_method,
       dump_absolute_discounted_ngram_count,
       disc_meth_absolute_allocate_freq_of_freq,
       disc_meth_absolute_update_freq_of_freq,
       disc_meth_absolute_reduce_ug_freq_of_freq,
       disc_meth_absolute_compute_disc_aux},
      {3, dump_disc_meth_linear_verbose_method,
       dump_linear_discounted_ngram_count,
       disc_meth_linear_allocate_freq_of_freq,
       disc_meth_linear_update_freq_of_freq,
       disc_meth_linear_reduce_ug_freq_of_freq,
       disc_meth_linear_compute_disc_aux},
      {4, dump_disc_meth_witten_bell_verbose_method,
       dump_witten_bell_discounted_ngram_count,
       disc_meth_witten_bell_allocate_freq_of_freq,
       disc_meth_witten_bell_update_freq_of_freq,
       disc_meth_witten_bell_reduce_ug_freq_of_freq,
       disc_meth_witten_bell_compute_disc_aux},
  };
  for (const Case &c : cases) {
    disc_meth_t *m = disc_meth_init(c.code);
    ASSERT_NE(m, nullptr) << c.code;
    EXPECT_EQ(m->type, c.code);
    EXPECT_EQ(m->verbose_method, c.verbose) << c.code;
    EXPECT_EQ(m->dump_discounted_ngram_count, c.dump) << c.code;
    EXPECT_EQ(m->allocate_freq_of_freq, c.allocate) << c.code;
    EXPECT_EQ(m->update_freq_of_freq, c.update) << c.code;
    EXPECT_EQ(m->reduce_ug_freq_of_freq, c.reduce) << c.code;
    EXPECT_EQ(m->compute_discount_aux, c.compute) << c.code;
    free(m);
  }
  for (int code : {0, 5, -1}) EXPECT_EQ(disc_meth_init(code), nullptr) << code;
}

TEST(DiscMethTable, OptionsGiveOneMethodOrStop) {
  const std::string a =
      "Error : Assigned two contradictory discounting methods.\n"
      "Specify one of -linear, -absolute, -good_turing or -witten_bell.\n";
  const std::string b =
      "Error : Assigned two contradictory discounting methods.\n"
      "Specify one of  -linear, -absolute, -good_turing or -witten_bell.\n";
  struct Case {
    flag linear, absolute, witten_bell, good_turing;
    int code;         // 0 when the options contradict each other
    std::string err;  // the message then
  } cases[] = {
      {0, 0, 0, 0, 1, ""}, {1, 0, 0, 0, 3, ""}, {0, 1, 0, 0, 2, ""},
      {0, 0, 1, 0, 4, ""}, {0, 0, 0, 1, 1, ""}, {1, 0, 1, 0, 0, b},
      {1, 1, 0, 0, 0, a},  {0, 0, 1, 1, 0, a},  {1, 1, 1, 1, 0, a},
      {0, 1, 1, 0, 0, b},  {1, 0, 0, 1, 0, a},  {0, 1, 0, 1, 0, a},
  };
  for (const Case &c : cases) {
    auto r = RunChild([&] {
      ng_t ng{};
      init_ng_disc_method(&ng, c.linear, c.absolute, c.witten_bell,
                          c.good_turing);
      auto *m = static_cast<disc_meth_t *>(ng.disc_meth);
      printf("%d %d", ng.discounting_method, m->type);
    });
    const std::string flags = std::to_string(c.linear) +
                              std::to_string(c.absolute) +
                              std::to_string(c.witten_bell) +
                              std::to_string(c.good_turing);
    if (c.code == 0) {
      EXPECT_EQ(r.status, 255) << flags;
      EXPECT_EQ(r.err, c.err) << flags;
      EXPECT_EQ(r.out, "") << flags;
    } else {
      EXPECT_EQ(r.status, 0) << flags;
      EXPECT_EQ(r.out, std::to_string(c.code) + " " + std::to_string(c.code))
          << flags;
      EXPECT_EQ(r.err, "") << flags;
    }
  }
}

TEST(DiscMethTable, VerboseMethodPrintsTheNameAtPriorityTwo) {
  struct Case {
    int code, order;
    std::string err;
  } cases[] = {
      {1, 3,
       "Good-Turing\n     Discounting ranges :\n        "
       "1-gram : 7     2-gram : 7     3-gram : 7     \n"},
      {1, 0, "Good-Turing\n     Discounting ranges :\n        \n"},
      {2, 2, "Absolute\n"},
      {3, 2, "Linear\n"},
      {4, 2, "Witten-Bell\n"},
  };
  for (const Case &c : cases) {
    for (unsigned short verbosity : {2, 1}) {
      auto r = RunChild([&] {
        Model m(c.order);
        Method(c.code)->verbose_method(&m.ng, verbosity);
      });
      EXPECT_EQ(r.err, verbosity >= 2 ? c.err : "") << c.code;
    }
  }
}

// ------------------------------------------------------- tallying counts

// Tallies the counts at level 0 in a child and prints the row, or dies.
TEST(DiscMethTally, EachMethodTalliesOnlyItsCounts) {
  struct Case {
    int code;
    std::vector<count_t> counts;
    std::string row;  // printed tally entries, or empty if the run stops
  } cases[] = {
      // Good-Turing, fof_size 4: a count at the limit is tallied, one more
      // or any negative count is ignored silently.
      {1, {1, 1, 4, 5, 1000, -1, -2147483647 - 1}, "0 2 0 0 1"},
      {1, {2, 0}, ""},
      {2, {1, 2, 2, 3, 100}, "0 1 2"},
      {2, {1, 0}, ""},
      {2, {-1}, ""},
      {3, {1, 1, 2, 0, -5}, "0 2"},
      {4, {0, -1, 7}, "0"},
  };
  const int row_length[] = {0, 5, 3, 2, 1};
  for (const Case &c : cases) {
    auto r = RunChild([&] {
      Model m(2, 4);
      disc_meth_t *meth = Method(c.code);
      meth->allocate_freq_of_freq(&m.ng);
      for (count_t count : c.counts) meth->update_freq_of_freq(&m.ng, 0, count);
      for (int e = 0; e < row_length[c.code]; ++e)
        printf(e ? " %d" : "%d", m.ng.freq_of_freq[0][e]);
    });
    if (c.row.empty()) {
      EXPECT_EQ(r.status, 255) << c.code;
      EXPECT_EQ(r.err, kCorrupt) << c.code;
    } else {
      EXPECT_EQ(r.status, 0) << c.code;
      EXPECT_EQ(r.out, c.row) << c.code;
      EXPECT_EQ(r.err, "") << c.code;
    }
  }
}

TEST(DiscMethTally, ReduceTakesTheUnigramCountOut) {
  struct Case {
    int code;
    count_ind_t unigram_count;
    int entry;  // the entry decremented, or -1 for none
  } cases[] = {
      {1, 0, 0}, {1, 3, 3}, {1, 5, 5}, {1, 6, -1}, {1, 65535, -1},
      {2, 0, 0}, {2, 2, 2}, {2, 3, -1},
      {3, 0, 0}, {3, 1, 1}, {3, 2, -1},
      {4, 0, 0}, {4, 1, -1},
  };
  for (const Case &c : cases) {
    Model m(1, 5);
    m.SetUnigramCount(3, c.unigram_count);
    disc_meth_t *meth = Method(c.code);
    meth->allocate_freq_of_freq(&m.ng);
    meth->reduce_ug_freq_of_freq(&m.ng, 3);
    const int length = c.code == 1 ? 6 : c.code == 4 ? 1 : c.code == 2 ? 3 : 2;
    for (int e = 0; e < length; ++e)
      EXPECT_EQ(m.ng.freq_of_freq[0][e], e == c.entry ? -1 : 0)
          << c.code << " " << c.unigram_count << " " << e;
  }
}

// ----------------------------------------------------------- Good-Turing

TEST(GoodTuring, CountsUpToTheRangeAreMultipliedByTheirRatio) {
  Model m(1, 10, 7);
  std::vector<disc_val_t> ratios(10);
  for (int r = 0; r < 10; ++r) ratios[r] = 0.5 + r / 100.0;
  disc_val_t *rows[] = {ratios.data()};
  m.ng.gt_disc_ratio = rows;
  struct Case {
    count_t count;
    bool discounted;
  } cases[] = {{1, true},       {7, true}, {8, false}, {9, false},
               {100000, false}, {0, false}, {-3, false}};
  for (const Case &c : cases)
    EXPECT_EQ(dump_good_turing_discounted_ngram_count(&m.ng, 0, c.count, 0,
                                                      nullptr),
              c.discounted ? c.count * ratios[c.count] : c.count)
        << c.count;
}

// Tallies n_1..n_5 = 1000, 300, 140, 80, 50 support a range of 4.
const std::vector<fof_t> kTallies = {0, 1000, 300, 140, 80, 50, 0, 0, 0, 0, 0};

TEST(GoodTuring, ComputeGivesLevelZeroNoCutoffAndLevelOneTheFirst) {
  auto r = RunChild([] {
    Model m(2, 10, 4);
    m.cutoffs[0] = 1;
    disc_meth_t *meth = Method(1);
    meth->allocate_freq_of_freq(&m.ng);
    for (int k = 0; k < 2; ++k)
      std::copy(kTallies.begin(), kTallies.end(), m.ng.freq_of_freq[k]);
    meth->compute_discount_aux(&m.ng, 1);
    printf("%d %d %g %g", m.ng.disc_range[0], m.ng.disc_range[1],
           m.ng.gt_disc_ratio[0][1], m.ng.gt_disc_ratio[1][1]);
  });
  EXPECT_EQ(r.out, "4 4 0.466667 1");
  EXPECT_EQ(r.err,
            "Good-Turing discounting ratios of 1-grams, range 4 :\n"
            "    1 : 0.466667\n    2 : 0.6\n    3 : 0.68254\n"
            "    4 : 0.708333\n"
            "Good-Turing discounting ratios of 2-grams, range 4 :\n"
            "    1 : 1\n    2 : 0.6\n    3 : 0.68254\n    4 : 0.708333\n");
}

TEST(GoodTuring, NoLevelsMakeNoRowsAndPrintNothing) {
  auto r = RunChild([] {
    Model m(0);
    disc_meth_t *meth = Method(1);
    meth->allocate_freq_of_freq(&m.ng);
    meth->compute_discount_aux(&m.ng, 2);
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

TEST(ComputeGtDiscount, RatiosRangesAndWarnings) {
  struct Case {
    const char *name;
    std::vector<fof_t> tallies;  // entries 0..fof_size
    unsigned short range;
    int cutoff;
    unsigned short range_out;
    std::vector<double> ratios;  // entries 1..range_out, %g-rounded
    std::string err;
  } cases[] = {
      {"valid", kTallies, 4, 0, 4, {0.466667, 0.6, 0.68254, 0.708333},
       "Good-Turing discounting ratios of 1-grams, range 4 :\n"
       "    1 : 0.466667\n    2 : 0.6\n    3 : 0.68254\n    4 : 0.708333\n"},
      {"range at the tally size", {0, 1000, 300, 140, 80, 50}, 5, 0, 4,
       {0.466667, 0.6, 0.68254, 0.708333},
       "Warning : 1-grams : discounting range 5 is not below the tally size "
       "5; lowered to 4.\n"
       "Good-Turing discounting ratios of 1-grams, range 4 :\n"
       "    1 : 0.466667\n    2 : 0.6\n    3 : 0.68254\n    4 : 0.708333\n"},
      {"ratio above 1 past count 2", {0, 100, 30, 15, 30, 9, 8}, 5, 0, 2,
       {0.272727, 0.545455},
       "Warning : 1-grams : the frequency-of-frequency tallies give no valid "
       "Good-Turing ratios up to count 5; discounting range lowered to 2.\n"
       "Good-Turing discounting ratios of 1-grams, range 2 :\n"
       "    1 : 0.272727\n    2 : 0.545455\n"},
      {"an empty tally", {0, 10, 0, 3, 2, 1}, 3, 0, 0, {},
       "Warning : 1-grams : the frequency-of-frequency tallies give no valid "
       "Good-Turing ratios up to count 3; discounting range lowered to 0.\n"
       "Good-Turing discounting ratios of 1-grams, range 0 :\n"},
      {"no singletons", {0, 0, 5, 3, 2, 1}, 3, 0, 0, {},
       "Warning : 1-grams : the frequency-of-frequency tallies give no valid "
       "Good-Turing ratios up to count 3; discounting range lowered to 0.\n"
       "Good-Turing discounting ratios of 1-grams, range 0 :\n"},
      {"first ratio above 1", {0, 10, 10, 3, 2, 1}, 3, 0, 0, {},
       "Warning : 1-grams : the frequency-of-frequency tallies give no valid "
       "Good-Turing ratios up to count 3; discounting range lowered to 0.\n"
       "Good-Turing discounting ratios of 1-grams, range 0 :\n"},
      // With a range of 1 the formula always gives d_1 = 0.
      {"range 1", kTallies, 1, 0, 0, {},
       "Warning : 1-grams : the frequency-of-frequency tallies give no valid "
       "Good-Turing ratios up to count 1; discounting range lowered to 0.\n"
       "Good-Turing discounting ratios of 1-grams, range 0 :\n"},
      {"range 0", kTallies, 0, 0, 0, {},
       "Good-Turing discounting ratios of 1-grams, range 0 :\n"},
      {"empty table", {0}, 3, 0, 0, {},
       "Warning : 1-grams : discounting range 3 is not below the tally size "
       "0; lowered to 0.\n"
       "Good-Turing discounting ratios of 1-grams, range 0 :\n"},
      // Counts at or below the cut-off are not in the model: ratio 1, and
      // their tallies place no condition on the range.
      {"cut-off", {0, 1000, 0, 140, 80, 50, 30}, 4, 2, 4, {1, 1, 0.68254, 0.708333},
       "Good-Turing discounting ratios of 1-grams, range 4 :\n"
       "    1 : 1\n    2 : 1\n    3 : 0.68254\n    4 : 0.708333\n"},
      {"range within the cut-off", {0, 0, 0, 0}, 2, 3, 2, {1, 1},
       "Good-Turing discounting ratios of 1-grams, range 2 :\n"
       "    1 : 1\n    2 : 1\n"},
      {"largest cut-off", kTallies, 2, 2147483647, 2, {1, 1},
       "Good-Turing discounting ratios of 1-grams, range 2 :\n"
       "    1 : 1\n    2 : 1\n"},
  };
  for (const Case &c : cases) {
    const int fof_size = static_cast<int>(c.tallies.size()) - 1;
    auto r = RunChild([&] {
      std::vector<fof_t> tallies = c.tallies;
      std::vector<disc_val_t> ratio(std::max(fof_size, 0), -7.0);
      disc_val_t *row = ratio.data();
      unsigned short range = c.range;
      compute_gt_discount(1, tallies.data(), fof_size, &range, c.cutoff, 1,
                          &row);
      printf("%d", range);
      for (double d : ratio) printf(" %g", d);
    });
    std::string out = std::to_string(c.range_out);
    char buf[32];
    for (int e = 0; e < fof_size; ++e) {
      const bool computed = e >= 1 && e <= c.range_out;
      snprintf(buf, sizeof buf, " %g", computed ? c.ratios[e - 1] : 1.0);
      out += buf;
    }
    EXPECT_EQ(r.out, out) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
    EXPECT_EQ(r.status, 0) << c.name;
  }
}

// Katz's ratios evaluated in long double, with the largest valid range
// found by trying every range downwards.
struct KatzReference {
  int range = 0;
  std::vector<long double> ratio;  // entries 0..range
};

KatzReference Katz(const std::vector<fof_t> &n, int range, int cutoff) {
  range = std::min(range, std::max(static_cast<int>(n.size()) - 2, 0));
  for (int k = range; k >= 0; --k) {
    KatzReference ref;
    ref.range = k;
    ref.ratio.assign(k + 1, 1.0L);
    if (k <= cutoff) return ref;
    bool ok = n[1] > 0;
    for (int r = cutoff + 1; ok && r <= k + 1; ++r) ok = n[r] > 0;
    if (!ok) continue;
    const long double c = (k + 1.0L) * n[k + 1] / n[1];
    if (c >= 1) continue;
    for (int r = cutoff + 1; ok && r <= k; ++r) {
      const long double d =
          ((r + 1.0L) * n[r + 1] / (r * static_cast<long double>(n[r])) - c) /
          (1 - c);
      ok = d > 0 && d <= 1;
      ref.ratio[r] = d;
    }
    if (ok) return ref;
  }
  return {};
}

TEST(ComputeGtDiscount, MatchesKatzOnRandomTallies) {
  std::mt19937 rng(11);
  for (int round = 0; round < 2000; ++round) {
    const int fof_size = static_cast<int>(rng() % 14);
    std::vector<fof_t> n(fof_size + 1, 0);
    // Tallies falling off as a power of the count, now and then with a
    // hole or a bump.
    const double top = rng() % 100000;
    const double power = 1 + rng() % 3;
    for (int r = 1; r <= fof_size; ++r) {
      n[r] = rng() % 10 == 0
                 ? static_cast<fof_t>(rng() % 5)
                 : static_cast<fof_t>(top / std::pow(r, power) + rng() % 20);
    }
    const int range = static_cast<int>(rng() % 12);
    const int cutoff = static_cast<int>(rng() % 3);
    std::vector<disc_val_t> ratio(fof_size, -7.0);
    disc_val_t *row = ratio.data();
    unsigned short got = static_cast<unsigned short>(range);
    compute_gt_discount(2, n.data(), fof_size, &got, cutoff, 0, &row);
    const KatzReference ref = Katz(n, range, cutoff);
    ASSERT_EQ(got, ref.range) << "round " << round;
    for (int r = 1; r <= ref.range; ++r)
      ASSERT_NEAR(ratio[r], static_cast<double>(ref.ratio[r]), 1e-12)
          << "round " << round << " count " << r;
    for (int r = ref.range + 1; r < fof_size; ++r) ASSERT_EQ(ratio[r], 1.0);
  }
}

// -------------------------------------------------------------- absolute

TEST(Absolute, ConstantsInSinglePrecisionAndRatioLines) {
  struct Case {
    fof_t n1, n2;
    double constant;
    std::string line;
  } cases[] = {
      {100, 50, 0.5, "1-gram : 0.5 0.75 0.833333 0.875 0.9  ... \n"},
      {1, 1, 0.3333333432674408,
       "1-gram : 0.666667 0.833333 0.888889 0.916667 0.933333  ... \n"},
      {7, 0, 1.0, "1-gram : 0 0.5 0.666667 0.75 0.8  ... \n"},
      {0, 0, 0.0,
       "Warning : 1-grams : no n-grams seen once or twice; the absolute "
       "discounting constant is 0 (no discounting).\n"
       "1-gram : 1 1 1 1 1  ... \n"},
  };
  for (const Case &c : cases) {
    Model m(1);
    disc_meth_t *meth = Method(2);
    meth->allocate_freq_of_freq(&m.ng);
    m.ng.freq_of_freq[0][1] = c.n1;
    m.ng.freq_of_freq[0][2] = c.n2;
    auto r = RunChild([&] { meth->compute_discount_aux(&m.ng, 1); });
    EXPECT_EQ(r.err, "Absolute discounting ratios :\n" + c.line) << c.n1;
    meth->compute_discount_aux(&m.ng, 0);
    EXPECT_EQ(m.ng.abs_disc_const[0], c.constant) << c.n1;
  }
}

TEST(Absolute, EveryCountLosesTheConstant) {
  Model m(2);
  disc_meth_t *meth = Method(2);
  meth->allocate_freq_of_freq(&m.ng);
  for (int i = 0; i < 100; ++i) meth->update_freq_of_freq(&m.ng, 1, 1);
  for (int i = 0; i < 50; ++i) meth->update_freq_of_freq(&m.ng, 1, 2);
  meth->update_freq_of_freq(&m.ng, 0, 1);
  auto r = RunChild([&] { meth->compute_discount_aux(&m.ng, 1); });
  EXPECT_EQ(r.err,
            "Absolute discounting ratios :\n"
            "1-gram : 0 0.5 0.666667 0.75 0.8  ... \n"
            "2-gram : 0.5 0.75 0.833333 0.875 0.9  ... \n");
  meth->compute_discount_aux(&m.ng, 0);
  EXPECT_EQ(meth->dump_discounted_ngram_count(&m.ng, 1, 5, 0, nullptr), 4.5);
  EXPECT_EQ(meth->dump_discounted_ngram_count(&m.ng, 1, 1, 0, nullptr), 0.5);
  EXPECT_EQ(meth->dump_discounted_ngram_count(&m.ng, 1, 1000, 0, nullptr),
            999.5);
}

// ---------------------------------------------------------------- linear

TEST(Linear, RatiosInSinglePrecision) {
  struct Case {
    ngram_sz_t n_unigrams;
    fof_t n1;
    double ratio;
    std::string line;
  } cases[] = {
      {1000, 250, 0.75, "1-gram : 0.75\n"},
      {3, 1, 0.6666666269302368, "1-gram : 0.666667\n"},
      {1000, 0, 1.0, "1-gram : 1\n"},
      {0, 5, 1.0,
       "Warning : 1-grams : the unigram total is 0; the linear discount "
       "ratio is 1 (no discounting).\n1-gram : 1\n"},
      {0, 0, 1.0,
       "Warning : 1-grams : the unigram total is 0; the linear discount "
       "ratio is 1 (no discounting).\n1-gram : 1\n"},
  };
  for (const Case &c : cases) {
    Model m(1);
    m.ng.n_unigrams = c.n_unigrams;
    disc_meth_t *meth = Method(3);
    meth->allocate_freq_of_freq(&m.ng);
    m.ng.freq_of_freq[0][1] = c.n1;
    auto r = RunChild([&] { meth->compute_discount_aux(&m.ng, 1); });
    EXPECT_EQ(r.err, "Linear discounting ratios :\n" + c.line) << c.n1;
    meth->compute_discount_aux(&m.ng, 0);
    EXPECT_EQ(m.ng.lin_disc_ratio[0], c.ratio) << c.n1;
  }
  Model m(1);
  m.ng.n_unigrams = 1000;
  disc_meth_t *meth = Method(3);
  meth->allocate_freq_of_freq(&m.ng);
  for (int i = 0; i < 250; ++i) meth->update_freq_of_freq(&m.ng, 0, 1);
  meth->compute_discount_aux(&m.ng, 0);
  EXPECT_EQ(meth->dump_discounted_ngram_count(&m.ng, 0, 4, 0, nullptr), 3.0);
}

TEST(Linear, AndAbsoluteWithNoLevelsPrintOnlyTheHeading) {
  struct Case {
    int code;
    std::string err;
  } cases[] = {{2, "Absolute discounting ratios :\n"},
               {3, "Linear discounting ratios :\n"}};
  for (const Case &c : cases) {
    auto r = RunChild([&] {
      Model m(0);
      Method(c.code)->allocate_freq_of_freq(&m.ng);
      Method(c.code)->compute_discount_aux(&m.ng, 1);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, c.err);
  }
}

// ----------------------------------------------------------- Witten-Bell

// Two levels: unigram entries 0..vocab_size whose successors start at the
// given full positions, and `bigrams` entries in level 1.
struct Levels {
  Levels(const std::vector<ngram_sz_t> &starts, ngram_sz_t bigrams)
      : model(2), table(8, 0), kgrams{static_cast<ngram_sz_t>(starts.size()),
                                      bigrams} {
    ptr_tab_sz_t size = 0;
    for (size_t e = 0; e < starts.size(); ++e)
      shorts.push_back(new_index(starts[e], table.data(), &size, e));
    table_size = size;
    rows = {shorts.data()};
    tables = {table.data()};
    ng_t &ng = model.ng;
    ng.vocab_size = static_cast<vocab_sz_t>(starts.size()) - 1;
    ng.ind = rows.data();
    ng.ptr_table = tables.data();
    ng.ptr_table_size = &table_size;
    ng.num_kgrams = kgrams.data();
  }
  Model model;
  std::vector<ptr_tab_t> table;
  std::vector<index__t> shorts;
  std::vector<index__t *> rows;
  std::vector<ptr_tab_t *> tables;
  ptr_tab_sz_t table_size = 0;
  std::vector<ngram_sz_t> kgrams;
};

TEST(WittenBell, TypeCountsReadTheSuccessorIndices) {
  // Word 1's followers straddle the first block boundary; word 3 is the
  // last unigram entry, whose followers run to the end of level 1.
  Levels l({0, 64990, 65010, 65010}, 65015);
  struct Case {
    int ind;
    int types;
  } cases[] = {{0, 64990}, {1, 20}, {2, 0}, {3, 5}};
  for (const Case &c : cases)
    EXPECT_EQ(num_of_types(0, c.ind, &l.model.ng), c.types) << c.ind;

  // The last entry of a level above 0 runs to the end of the next level.
  ngram_sz_t kgrams[] = {3, 4, 9};
  index__t level1[] = {0, 2, 2, 6};
  ptr_tab_t table[] = {0};
  index__t *rows[] = {nullptr, level1};
  ptr_tab_t *tables[] = {nullptr, table};
  ptr_tab_sz_t sizes[] = {0, 1};
  ng_t ng{};
  ng.num_kgrams = kgrams;
  ng.ind = rows;
  ng.ptr_table = tables;
  ng.ptr_table_size = sizes;
  EXPECT_EQ(num_of_types(1, 2, &ng), 4);
  EXPECT_EQ(num_of_types(1, 3, &ng), 3);
}

TEST(WittenBell, DiscountsByContextCountAndTypes) {
  // Word 1 (the last) is a context seen 10 times with 5 followers.
  Levels l({0, 0}, 5);
  int pos[] = {1};
  disc_meth_t *meth = Method(4);
  EXPECT_EQ(meth->dump_discounted_ngram_count(&l.model.ng, 1, 3, 10, pos), 2.0);
  // A context never seen and never followed discounts to 0.
  pos[0] = 0;
  EXPECT_EQ(meth->dump_discounted_ngram_count(&l.model.ng, 1, 0, 0, pos), 0.0);
}

TEST(WittenBell, ContextWithSeventyThousandFollowers) {
  Levels l({0, 0, 70000}, 70010);
  ASSERT_EQ(l.table_size, 2);
  EXPECT_EQ(num_of_types(0, 1, &l.model.ng), 65535);
  EXPECT_EQ(num_of_types(0, 2, &l.model.ng), 10);
  int pos[] = {1};
  EXPECT_EQ(dump_witten_bell_discounted_ngram_count(&l.model.ng, 1, 5, 100000,
                                                    pos),
            100000.0 * 5.0 / 170000.0);
}

TEST(WittenBell, TallyOperationsLeaveTheRecordAlone) {
  Model m(2);
  disc_meth_t *meth = Method(4);
  meth->allocate_freq_of_freq(&m.ng);
  EXPECT_EQ(m.ng.freq_of_freq[0][0], 0);
  EXPECT_EQ(m.ng.freq_of_freq[1], nullptr);
  std::vector<unsigned char> before(sizeof m.ng);
  memcpy(before.data(), &m.ng, sizeof m.ng);
  for (count_t c : {-1, 0, 1, 7}) meth->update_freq_of_freq(&m.ng, 1, c);
  meth->compute_discount_aux(&m.ng, 2);
  dump_disc_meth_witten_bell_info(&m.ng);
  EXPECT_EQ(memcmp(before.data(), &m.ng, sizeof m.ng), 0);
  EXPECT_EQ(m.ng.freq_of_freq[0][0], 0);
}

// ------------------------------------------- a small model, end to end

using Gram = std::vector<id__t>;

// The distinct 1-, 2- and 3-grams of a text of 600 words drawn with a
// skewed distribution, with their counts.
struct SmallText {
  SmallText() {
    std::mt19937 rng(5);
    std::vector<id__t> text;
    for (int i = 0; i < 600; ++i) {
      const double u = rng() / 4294967296.0;
      text.push_back(1 + static_cast<id__t>(60 * u * u * u));
    }
    vocab_size = 60;
    tokens = static_cast<ngram_sz_t>(text.size());
    for (size_t len = 1; len <= 3; ++len)
      for (size_t i = 0; i + len <= text.size(); ++i)
        ++grams[len - 1][Gram(text.begin() + i, text.begin() + i + len)];
  }
  std::map<Gram, count_t> grams[3];
  vocab_sz_t vocab_size;
  ngram_sz_t tokens;
};

// Tallies the text's n-grams into `m` (order 3) through method `code`.
void Tally(const SmallText &t, int code, Model &m) {
  m.ng.n_unigrams = t.tokens;
  disc_meth_t *meth = Method(code);
  meth->allocate_freq_of_freq(&m.ng);
  for (int k = 0; k < 3; ++k)
    for (const auto &g : t.grams[k]) meth->update_freq_of_freq(&m.ng, k, g.second);
  meth->compute_discount_aux(&m.ng, 0);
}

// Number of level-k n-grams seen `r` times, counted from the text.
fof_t Seen(const SmallText &t, int k, count_t r) {
  return static_cast<fof_t>(std::count_if(
      t.grams[k].begin(), t.grams[k].end(),
      [r](const auto &g) { return g.second == r; }));
}

TEST(SmallModel, GoodTuringMatchesKatz) {
  SmallText t;
  Model m(3, 10, 7);
  Tally(t, 1, m);
  int discounting_levels = 0;
  for (int k = 0; k < 3; ++k) {
    std::vector<fof_t> n(11);
    for (int r = 1; r <= 10; ++r) n[r] = Seen(t, k, r);
    const KatzReference ref = Katz(n, 7, 0);
    ASSERT_EQ(m.ng.disc_range[k], ref.range) << k;
    if (ref.range >= 2) ++discounting_levels;
    for (const auto &g : t.grams[k]) {
      const count_t c = g.second;
      const long double expected = c <= ref.range ? c * ref.ratio[c] : c;
      EXPECT_NEAR(dump_good_turing_discounted_ngram_count(&m.ng, k, c, 0,
                                                          nullptr),
                  static_cast<double>(expected), 1e-12)
          << k << " " << c;
    }
  }
  EXPECT_GE(discounting_levels, 1);
}

TEST(SmallModel, AbsoluteAndLinearMatchTheirFormulas) {
  SmallText t;
  Model absolute(3), linear(3);
  Tally(t, 2, absolute);
  Tally(t, 3, linear);
  for (int k = 0; k < 3; ++k) {
    const long double n1 = Seen(t, k, 1), n2 = Seen(t, k, 2);
    for (const auto &g : t.grams[k]) {
      const long double c = g.second;
      EXPECT_NEAR(dump_absolute_discounted_ngram_count(&absolute.ng, k,
                                                       g.second, 0, nullptr),
                  static_cast<double>(c - n1 / (n1 + 2 * n2)), 1e-6);
      EXPECT_NEAR(dump_linear_discounted_ngram_count(&linear.ng, k, g.second,
                                                     0, nullptr),
                  static_cast<double>(c * (1 - n1 / t.tokens)), 1e-6 * c);
    }
  }
}

TEST(SmallModel, WittenBellMatchesContextCountsAndTypes) {
  SmallText t;
  // Levels laid out as a model stores them: entries in id order, each
  // entry's successors from its start to the next entry's start.
  std::vector<Gram> level[3];
  for (int k = 0; k < 3; ++k)
    for (const auto &g : t.grams[k]) level[k].push_back(g.first);
  std::vector<std::vector<ngram_sz_t>> starts(2);
  for (id__t w = 0; w <= t.vocab_size; ++w)
    starts[0].push_back(std::lower_bound(level[1].begin(), level[1].end(),
                                         Gram{w}) -
                        level[1].begin());
  for (const Gram &b : level[1])
    starts[1].push_back(std::lower_bound(level[2].begin(), level[2].end(), b) -
                        level[2].begin());
  std::vector<std::vector<index__t>> shorts(2);
  std::vector<std::vector<ptr_tab_t>> tables(2, std::vector<ptr_tab_t>(4));
  std::vector<ptr_tab_sz_t> table_sizes(2, 0);
  for (int k = 0; k < 2; ++k)
    for (size_t e = 0; e < starts[k].size(); ++e)
      shorts[k].push_back(new_index(starts[k][e], tables[k].data(),
                                    &table_sizes[k], e));
  index__t *ind[] = {shorts[0].data(), shorts[1].data()};
  ptr_tab_t *ptr[] = {tables[0].data(), tables[1].data()};
  ngram_sz_t kgrams[] = {t.vocab_size + 1,
                         static_cast<ngram_sz_t>(level[1].size()),
                         static_cast<ngram_sz_t>(level[2].size())};
  Model m(3);
  Tally(t, 4, m);
  m.ng.vocab_size = t.vocab_size;
  m.ng.ind = ind;
  m.ng.ptr_table = ptr;
  m.ng.ptr_table_size = table_sizes.data();
  m.ng.num_kgrams = kgrams;

  for (int k = 1; k < 3; ++k) {
    for (const auto &g : t.grams[k]) {
      const Gram context(g.first.begin(), g.first.end() - 1);
      const long double marg = t.grams[k - 1].at(context);
      long double types = 0;
      for (const auto &h : t.grams[k])
        if (Gram(h.first.begin(), h.first.end() - 1) == context) ++types;
      int pos[2] = {static_cast<int>(context[0]), 0};
      if (k == 2)
        pos[1] = static_cast<int>(
            std::lower_bound(level[1].begin(), level[1].end(), context) -
            level[1].begin());
      EXPECT_NEAR(dump_witten_bell_discounted_ngram_count(&m.ng, k, g.second,
                                                          static_cast<count_t>(marg), pos),
                  static_cast<double>(g.second * marg / (marg + types)), 1e-12)
          << k;
    }
  }
}

}  // namespace
