// Models that buildlex builds from a generated text, open and closed, with
// a context cue, with two- and four-byte back-off weights, loaded back
// through the scoring API from the ARPA and the binary file. For every
// context of the model (and unlisted ones) and every word, both forms give
// the same probability and back-off case; that probability is the builder's
// own in-memory one (the probabilities and stored weights it wrote, put
// together by the back-off rule over a map of its n-grams), and it is the
// builder's estimate with exact weights (model_walk.h) within the rounding
// of the stored weights. Written again, a loaded model gives the builder's
// files byte for byte: as binary through the API, as ARPA through the
// builder's writer.
#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "lexkit/buildlex.h"
#include "lexkit/model.h"
#include "liblmest/build/built_model.h"
#include "liblmest/build/model_build.h"
#include "liblmest/model/arpa_writer.h"
#include "liblmest/model/loaded_model_source.h"
#include "liblmest/model/model_handle.h"
#include "model_ptr.h"
#include "model_walk.h"
#include "test_support.h"

using lexkit_test::ModelPtr;
using lexkit_test::OpenModel;
using lexkit_test::ReadFile;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

using Gram = std::vector<uint32_t>;

constexpr uint32_t kWords = 40;  // w00 .. w39: ids 2 .. 41; <s> is id 1

// The vocabulary "<s> w00 .. w39" and the trigram counts of a text of
// `length` words drawn with Zipf-like weights, a few of them outside the
// vocabulary (id 0), with <s> every 5 to 12 words; as gramlex's ASCII
// output.
std::string GeneratedTrigrams(unsigned seed, int length) {
  std::mt19937 random(seed);
  std::vector<double> weights;
  for (uint32_t w = 0; w < kWords + 4; ++w) weights.push_back(1.0 / (w + 1));
  std::discrete_distribution<uint32_t> draw(weights.begin(), weights.end());
  std::vector<uint32_t> text;
  for (int next_cue = 0; static_cast<int>(text.size()) < length;) {
    if (next_cue-- == 0) {
      text.push_back(1);
      next_cue = 5 + static_cast<int>(random() % 8);
    }
    const uint32_t w = draw(random);
    text.push_back(w < kWords ? w + 2 : 0);
  }
  std::map<Gram, int> counts;
  for (size_t i = 2; i < text.size(); ++i) ++counts[{text[i - 2], text[i - 1], text[i]}];
  std::string lines;
  for (const auto &[gram, count] : counts)
    lines += std::to_string(gram[0]) + " " + std::to_string(gram[1]) + " " +
             std::to_string(gram[2]) + " " + std::to_string(count) + "\n";
  return lines;
}

// The builder's n-grams: log10 probability and (below the top) log10
// stored weight, by their ids.
std::map<Gram, std::pair<float, float>> Entries(const lexkit::ModelSource &model) {
  std::map<Gram, std::pair<float, float>> entries;
  const int order = model.order();
  // Depth first through the trie: entry i of level k and its successors.
  std::function<void(int, uint64_t, Gram &)> visit = [&](int k, uint64_t i, Gram &gram) {
    entries[gram] = {model.log10_probs(k)[i], k + 1 < order ? model.log10_backoffs(k)[i] : 0};
    if (k + 1 == order) return;
    for (uint64_t j = model.first_successor(k, i); j < model.first_successor(k, i + 1); ++j) {
      gram.push_back(model.last_words(k + 1)[j]);
      visit(k + 1, j, gram);
      gram.pop_back();
    }
  };
  for (uint64_t i = 0; i < model.entries(0); ++i) {
    Gram gram{static_cast<uint32_t>(i)};
    visit(0, i, gram);
  }
  return entries;
}

// log10 P(w | context) by the back-off rule over the entries, the weights
// summed from the longest context down as a scorer would. A closed model's
// unknown word is no context.
double BackOff(const std::map<Gram, std::pair<float, float>> &entries, bool closed,
               const Gram &context, uint32_t w) {
  double backoff = 0;
  for (size_t m = context.size(); m >= 1; --m) {
    Gram gram(context.end() - m, context.end());
    const auto listed = entries.find(gram);
    if (listed == entries.end() || (closed && gram == Gram{0})) continue;
    gram.push_back(w);
    const auto found = entries.find(gram);
    if (found != entries.end()) return found->second.first + backoff;
    backoff += listed->second.second;
  }
  return entries.at({w}).first + backoff;
}

std::string ArpaText(const lexkit_model *m, const std::string &path) {
  FILE *fp = fopen(path.c_str(), "w");
  lexkit::WriteArpa(lexkit::model::LoadedModelSource(*m->model), fp, path.c_str());
  fclose(fp);
  return ReadFile(path);
}

TEST(BuiltModelScoring, BothFormsGiveTheBuildersProbabilities) {
  struct Case {
    const char *name;
    bool closed, four_byte_alphas, witten_bell;
  } cases[] = {
      {"open, two-byte weights", false, false, false},
      {"open, four-byte weights", false, true, true},
      {"closed, two-byte weights", true, false, true},
      {"closed, four-byte weights", true, true, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    const std::string idngram = dir.File("g.id3"), vocab = dir.File("g.vocab"),
                      cues = dir.File("g.ccs"), arpa = dir.File("g.arpa"), binary = dir.File("g.bin");
    WriteFile(idngram, GeneratedTrigrams(c.closed ? 11 : 12, 4000));
    std::string words = "<s>\n";
    for (uint32_t w = 0; w < kWords; ++w) words += (w < 10 ? "w0" : "w") + std::to_string(w) + "\n";
    WriteFile(vocab, words);
    WriteFile(cues, "<s>\n");
    buildlex_options o;
    buildlex_default_options(&o);
    o.idngram_filename = idngram.c_str();
    o.vocab_filename = vocab.c_str();
    o.context_cues_filename = cues.c_str();
    o.arpa_filename = arpa.c_str();
    o.bin_filename = binary.c_str();
    o.ascii_input = 1;
    o.closed_vocabulary = c.closed;
    o.four_byte_alphas = c.four_byte_alphas;
    o.witten_bell = c.witten_bell;
    o.verbosity = 0;
    const lexkit::BuildConfig config = lexkit::MakeBuildConfig(o);
    lexkit::ModelBuild build(config);
    build.LoadVocabulary();
    build.ReadCounts();
    build.ComputeDiscounts();
    build.Estimate(true);
    build.Write();
    const lexkit::BuiltModel built(config, build.vocab(), build.tables(), build.estimator());
    const auto entries = Entries(built);
    const lexkit_test::Walk walk(build);
    const ModelPtr from_arpa = OpenModel(arpa, false), from_binary = OpenModel(binary, true);
    ASSERT_TRUE(from_arpa && from_binary);

    // Every listed context, none, and unlisted pairs of words.
    std::vector<Gram> contexts = {{}};
    for (const auto &[gram, values] : entries)
      if (static_cast<int>(gram.size()) < built.order()) contexts.push_back(gram);
    std::mt19937 random(3);
    const auto any_word = [&] { return static_cast<uint32_t>(random() % (kWords + 2)); };
    for (int i = 0; i < 200; ++i) contexts.push_back({any_word(), any_word()});
    // Stored weights are floats, or two-byte codes one step below them at
    // most, (2.5 + 3.2) / 55535 in log10, for each of the two contexts.
    const double rounding = c.four_byte_alphas ? 1e-5 : 2 * 5.7 / 55535 + 1e-5;
    for (const Gram &context : contexts) {
      for (uint32_t w = 0; w <= kWords + 1; ++w) {
        int arpa_case = -1, binary_case = -1;
        const double p = lexkit_model_prob(from_arpa.get(), context.data(), context.size(), w, &arpa_case);
        ASSERT_EQ(p, lexkit_model_prob(from_binary.get(), context.data(), context.size(), w, &binary_case));
        ASSERT_EQ(arpa_case, binary_case);
        ASSERT_EQ(p, BackOff(entries, c.closed, context, w)) << "word " << w;
        const bool unknown_context = c.closed && std::find(context.begin(), context.end(), 0) != context.end();
        if (!build.vocab().predicted(w)) {
          ASSERT_LT(p, -90) << "word " << w;  // -99, and the weights backed off through
        } else if (!unknown_context) {
          ASSERT_NEAR(p, std::log10(walk.P(context, w)), rounding) << "word " << w;
        }
      }
    }

    char error[256] = "";
    const std::string saved = dir.File("saved.bin");
    ASSERT_EQ(lexkit_model_save_binary(from_binary.get(), saved.c_str(), error, sizeof error), 0);
    EXPECT_EQ(ReadFile(saved), ReadFile(binary));
    EXPECT_EQ(ArpaText(from_arpa.get(), dir.File("again.arpa")), ReadFile(arpa));
    EXPECT_EQ(ArpaText(from_binary.get(), dir.File("again.arpa")), ReadFile(arpa));
  }
}

}  // namespace
