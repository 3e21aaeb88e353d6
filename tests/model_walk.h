// A back-off walk over a built model, independent of the estimator's own
// sums: P(w | history) with ARPA semantics, by linear searches of the
// levels, using the estimator's probabilities of kept n-grams and its exact
// back-off weights; and the check that every distribution sums to 1.
#ifndef LEXKIT_TESTS_MODEL_WALK_H
#define LEXKIT_TESTS_MODEL_WALK_H

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "liblmest/build/model_build.h"

namespace lexkit_test {

using lexkit::ModelBuild;
using lexkit::ModelTables;

class Walk {
 public:
  explicit Walk(ModelBuild &build) : build_(build), tables_(build.tables()) {}

  // P(w | history), backing off with the estimator's exact weights.
  double P(const std::vector<uint32_t> &history, uint32_t w) const {
    const int k = static_cast<int>(history.size()) - 1;
    if (k < 0) return build_.estimator().Unigram(w);
    const uint64_t h = Locate(history);
    std::vector<uint32_t> shorter(history.begin() + 1, history.end());
    if (h == ModelTables::kNone) return P(shorter, w);
    if (k + 1 < tables_.order()) {
      for (uint64_t s = tables_.FirstSuccessor(k, h); s < tables_.SuccessorsEnd(k, h); ++s)
        if (tables_.word(k + 1, s) == w) return build_.estimator().Probability(k + 1, s, h);
    }
    return build_.estimator().exact_weights(k)[h] * P(shorter, w);
  }

  // The entry of the words, by a linear search level by level.
  uint64_t Locate(const std::vector<uint32_t> &words) const {
    uint64_t at = words[0];
    for (size_t l = 1; l < words.size(); ++l) {
      uint64_t found = ModelTables::kNone;
      for (uint64_t s = tables_.FirstSuccessor(l - 1, at); s < tables_.SuccessorsEnd(l - 1, at); ++s)
        if (tables_.word(l, s) == words[l]) found = s;
      if (found == ModelTables::kNone) return found;
      at = found;
    }
    return at;
  }

 private:
  ModelBuild &build_;
  const ModelTables &tables_;
};

// The words of entry i of level k, found by searching each level's ranges.
inline std::vector<uint32_t> WordsOf(const ModelTables &t, int k, uint64_t i) {
  std::vector<uint32_t> words(k + 1);
  for (int l = k; l >= 0; --l) {
    words[l] = t.word(l, i);
    if (l == 0) break;
    uint64_t parent = 0;
    // The context is the last entry above whose successors start at or
    // before i.
    const uint64_t above = t.size(l - 1);
    uint64_t lo = 0, hi = above;
    while (hi - lo > 1) {
      const uint64_t mid = (lo + hi) / 2;
      if (t.FirstSuccessor(l - 1, mid) <= i) lo = mid; else hi = mid;
    }
    parent = lo;
    while (parent + 1 < above && t.FirstSuccessor(l - 1, parent + 1) <= i &&
           t.SuccessorsEnd(l - 1, parent + 1) > i)
      ++parent;
    i = parent;
  }
  return words;
}

// Sums every context's distribution (the unigrams' and each entry's below
// the top level) over the whole vocabulary: 1 within 1e-9, every predicted
// word above 0, the others 0, every weight finite and positive. Needs the
// exact weights (Estimate(true)).
inline void ExpectNormalised(ModelBuild &build) {
  const ModelTables &t = build.tables();
  const auto V = static_cast<uint32_t>(build.vocab().size);
  Walk walk(build);
  double unigrams = 0;
  for (uint32_t w = 0; w <= V; ++w) unigrams += walk.P({}, w);
  EXPECT_NEAR(unigrams, 1.0, 1e-9);
  for (int k = 0; k + 1 < t.order(); ++k) {
    for (uint64_t i = 0; i < t.size(k); ++i) {
      const std::vector<uint32_t> h = WordsOf(t, k, i);
      ASSERT_EQ(walk.Locate(h), i);
      double sum = 0;
      for (uint32_t w = 0; w <= V; ++w) {
        const double p = walk.P(h, w);
        ASSERT_TRUE(std::isfinite(p));
        if (build.vocab().predicted(w))
          ASSERT_GT(p, 0.0) << "word " << w;
        else
          ASSERT_EQ(p, 0.0);
        sum += p;
      }
      ASSERT_NEAR(sum, 1.0, 1e-9) << "level " << k << " entry " << i;
      const double alpha = build.estimator().exact_weights(k)[i];
      ASSERT_TRUE(std::isfinite(alpha) && alpha > 0);
    }
  }
}

}  // namespace lexkit_test

#endif  // LEXKIT_TESTS_MODEL_WALK_H
