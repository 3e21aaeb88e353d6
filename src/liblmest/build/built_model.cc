#include "liblmest/build/built_model.h"

#include <cmath>

#include "liblmest/disc_meth_info.h"
#include "liblmest/model/level_walk.h"
#include "liblmest/model/model_file.h"

namespace lexkit {
namespace {

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
    : config_(config), vocab_(vocab), tables_(tables), estimator_(estimator) {
  const auto size = static_cast<uint64_t>(vocab.size);
  starts_.reserve(size + 2);
  for (uint64_t id = 0; id <= size; ++id) {
    starts_.push_back(text_.size());
    text_ += id == 0 ? "<unk>" : vocab.words[id];
  }
  starts_.push_back(text_.size());
}

float BuiltModel::log10_backoff(int k, uint64_t i) const {
  return Log10(tables_.alpha(k, i));
}

void BuiltModel::VisitLevel(int k, const Visitor &visit) const {
  wordid_t words[kMaxLevels];
  if (k == 0) {
    for (uint64_t i = 0; i < tables_.size(0); ++i) {
      words[0] = static_cast<wordid_t>(i);
      visit(i, words, Log10(estimator_.Unigram(words[0])));
    }
    return;
  }
  LevelWalk walk(tables_, k);
  while (walk.Next()) {
    for (int l = 0; l <= k; ++l) words[l] = walk.word(l);
    const uint64_t i = walk.position(k);
    visit(i, words, Log10(estimator_.Probability(k, i, walk.position(k - 1))));
  }
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
