// Every distribution of a built model sums to 1 over the whole vocabulary:
// models of a few thousand words of generated text, for each method, with
// cut-offs 0 and 1, open and closed vocabulary, with and without context
// cues. Each context's distribution is summed word by word through a
// back-off walk of its own (ARPA semantics), in doubles.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "liblmest/build/model_build.h"
#include "test_support.h"

using lexkit::BuildConfig;
using lexkit::ModelBuild;
using lexkit::ModelTables;

namespace {

// Sentences "<s> w ... </s>" over 120 words, each next word drawn near the
// one before, so that contexts repeat and have many followers. Words 0..99
// are in the vocabulary, 100..119 are not (the unknown word), and the
// vocabulary also has two words never seen.
struct Corpus {
  std::vector<std::string> vocab;               // ids 1..V
  std::map<std::vector<uint32_t>, int> trigrams;  // by ids
};

Corpus MakeCorpus(int words) {
  Corpus c;
  c.vocab = {"<s>", "</s>"};
  for (int i = 0; i < 100; ++i) c.vocab.push_back("w" + std::to_string(i));
  c.vocab.push_back("never1");
  c.vocab.push_back("never2");
  std::mt19937 rng(7);
  std::vector<uint32_t> text;
  int w = 0;
  while (static_cast<int>(text.size()) < words) {
    text.push_back(1);  // <s>
    const int length = 3 + static_cast<int>(rng() % 8);
    for (int i = 0; i < length; ++i) {
      w = static_cast<int>((w + rng() % 7 + rng() % 3 * 13) % 120);
      text.push_back(w < 100 ? static_cast<uint32_t>(w + 3) : 0u);
    }
    text.push_back(2);  // </s>
  }
  for (size_t i = 0; i + 2 < text.size(); ++i)
    ++c.trigrams[{text[i], text[i + 1], text[i + 2]}];
  return c;
}

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
std::vector<uint32_t> WordsOf(const ModelTables &t, int k, uint64_t i) {
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

TEST(BuildlexNormalisation, EveryContextSumsToOne) {
  const Corpus corpus = MakeCorpus(3000);
  lexkit_test::ScratchDir dir;
  std::string vocab_text = "## vocabulary\n";
  for (const std::string &w : corpus.vocab) vocab_text += w + "\n";
  lexkit_test::WriteFile(dir.File("v.vocab"), vocab_text);
  lexkit_test::WriteFile(dir.File("cues"), "<s>\n");
  std::string ids;
  for (const auto &[gram, count] : corpus.trigrams)
    ids += std::to_string(gram[0]) + " " + std::to_string(gram[1]) + " " +
           std::to_string(gram[2]) + " " + std::to_string(count) + "\n";
  lexkit_test::WriteFile(dir.File("t.id3"), ids);
  const uint64_t V = corpus.vocab.size();

  for (int method = 1; method <= 4; ++method)
    for (int cutoff : {0, 1})
      for (bool closed : {false, true})
        for (bool cues : {false, true}) {
          SCOPED_TRACE("method " + std::to_string(method) + " cutoff " +
                       std::to_string(cutoff) + (closed ? " closed" : " open") +
                       (cues ? " cues" : ""));
          buildlex_options o;
          buildlex_default_options(&o);
          const std::string idngram = dir.File("t.id3"), vocab = dir.File("v.vocab"),
                            cue_file = dir.File("cues"), arpa = dir.File("m.arpa");
          o.idngram_filename = idngram.c_str();
          o.vocab_filename = vocab.c_str();
          o.arpa_filename = arpa.c_str();
          o.context_cues_filename = cues ? cue_file.c_str() : nullptr;
          o.ascii_input = 1;
          o.good_turing = method == 1;
          o.absolute = method == 2;
          o.linear = method == 3;
          o.witten_bell = method == 4;
          o.closed_vocabulary = closed;
          o.cutoffs[0] = o.cutoffs[1] = cutoff;
          o.verbosity = 0;
          ModelBuild build(lexkit::MakeBuildConfig(o));
          build.LoadVocabulary();
          build.ReadCounts();
          build.ComputeDiscounts();
          build.Estimate(true);
          const ModelTables &t = build.tables();
          ASSERT_GT(t.size(1), 100u);
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
                if (build.vocab().predicted(w)) ASSERT_GT(p, 0.0) << "word " << w;
                else ASSERT_EQ(p, 0.0);
                sum += p;
              }
              ASSERT_NEAR(sum, 1.0, 1e-9) << "level " << k << " entry " << i;
              const double alpha = build.estimator().exact_weights(k)[i];
              ASSERT_TRUE(std::isfinite(alpha) && alpha > 0);
            }
          }
        }
}

}  // namespace
