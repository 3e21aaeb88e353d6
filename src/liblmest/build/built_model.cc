#include "liblmest/build/built_model.h"

#include <algorithm>
#include <cmath>

#include "liblmest/disc_meth_info.h"
#include "liblmest/model/level_walk.h"
#include "liblmest/model/model_file.h"
#include "libs/base/parallel.h"

namespace lexkit {
namespace {

// Entries worth a thread of their own.
constexpr uint64_t kLeastPerPart = 1 << 16;

float Log10(double p) {
  return p > 0.0 ? static_cast<float>(std::log10(p)) : model_file::kLog10Zero;
}

void AppendLine(std::string *text, const char *name, const std::string &value) {
  *text += name;
  *text += ' ';
  *text += value;
  *text += '\n';
}

}  // namespace

BuiltModel::BuiltModel(const BuildConfig &config, const ModelVocabulary &vocab,
                       const ModelTables &tables, const Estimator &estimator)
    : config_(config), vocab_(vocab), tables_(tables) {
  const int n = tables.order();
  probs_.resize(n);
  backoffs_.resize(n);
  probs_[0].resize(tables.size(0));
  for (uint64_t w = 0; w < tables.size(0); ++w)
    probs_[0][w] = Log10(estimator.Unigram(static_cast<wordid_t>(w)));
  for (int k = 1; k < n; ++k) {
    // Level k's entries are the successors of level k - 1's, in turn; each
    // part of the level starts from the context of its first entry.
    std::vector<float> &probs = probs_[k];
    probs.resize(tables.size(k));
    const uint64_t entries = tables.size(k);
    const int parts = PartsFor(entries, kLeastPerPart);
    RunParts(parts, [&](int p) {
      uint64_t i = PartStart(entries, parts, p);
      const uint64_t last = PartStart(entries, parts, p + 1);
      if (i == last) return;
      for (uint64_t context = LevelWalk<ModelTables>::ContextOf(tables, k, i); i < last;
           ++context) {
        const uint64_t end = std::min(last, first_successor(k - 1, context + 1));
        for (; i < end; ++i) probs[i] = Log10(estimator.Probability(k, i, context));
      }
    });
  }
  for (int k = 0; k + 1 < n; ++k) backoffs_[k] = tables.MapAlphas(k, Log10);
}

std::string BuiltModel::method_text() const {
  const ng_t *ng = tables_.record();
  std::string text;
  AppendLine(&text, "method", DiscMethName(ng));
  AppendLine(&text, "order", std::to_string(order()));
  AppendLine(&text, "vocabulary", vocab_.closed ? "closed" : "open");
  AppendLine(&text, "context_cues", std::to_string(vocab_.cues));
  for (int k = 1; k < order(); ++k)
    AppendLine(&text, ("cutoff_" + std::to_string(k + 1)).c_str(),
               std::to_string(config_.cutoffs[k - 1]));
  AppendDiscMethParameters(ng, &text);
  AppendLine(&text, "four_byte_counts", config_.storage.four_byte_counts ? "1" : "0");
  AppendLine(&text, "four_byte_alphas", config_.storage.four_byte_alphas ? "1" : "0");
  return text;
}

}  // namespace lexkit
