// The model the pipeline built, as the writers read it (ModelSource): the
// levels of the compact tables with the estimator's probabilities and the
// stored back-off weights.
#ifndef LEXKIT_LIBLMEST_BUILD_BUILT_MODEL_H
#define LEXKIT_LIBLMEST_BUILD_BUILT_MODEL_H

#include <string>
#include <string_view>
#include <vector>

#include "liblmest/build/build_config.h"
#include "liblmest/build/estimator.h"
#include "liblmest/build/model_tables.h"
#include "liblmest/build/model_vocabulary.h"
#include "liblmest/model/model_source.h"

namespace lexkit {

class BuiltModel : public ModelSource {
 public:
  BuiltModel(const BuildConfig &config, const ModelVocabulary &vocab,
             const ModelTables &tables, const Estimator &estimator);

  int order() const override { return tables_.order(); }
  uint64_t vocab_size() const override { return static_cast<uint64_t>(vocab_.size); }
  bool closed() const override { return vocab_.closed; }
  std::string_view word(wordid_t id) const override {
    return std::string_view(text_.data() + starts_[id], starts_[id + 1] - starts_[id]);
  }
  uint64_t entries(int k) const override { return tables_.size(k); }
  wordid_t last_word(int k, uint64_t i) const override { return tables_.word(k, i); }
  uint64_t first_successor(int k, uint64_t i) const override {
    return tables_.FirstSuccessor(k, i);
  }
  float log10_backoff(int k, uint64_t i) const override;
  void VisitLevel(int k, const Visitor &visit) const override;
  std::string method_text() const override;

 private:
  const BuildConfig &config_;
  const ModelVocabulary &vocab_;
  const ModelTables &tables_;
  const Estimator &estimator_;
  // The words one after another, so that writing them reads memory in
  // order rather than chasing a pointer per word.
  std::string text_;
  std::vector<uint64_t> starts_;  // word i is text_[starts_[i], starts_[i+1])
};

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_BUILD_BUILT_MODEL_H
