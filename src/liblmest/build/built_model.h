// The model the pipeline built, as the writers read it (ModelSource): the
// levels of the compact tables, with each entry's log10 probability and
// back-off weight worked out once, level by level in the order of the
// entries, for both writers.
#ifndef LEXKIT_LIBLMEST_BUILD_BUILT_MODEL_H
#define LEXKIT_LIBLMEST_BUILD_BUILT_MODEL_H

#include <string>
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
  const PackedWords &words() const override { return vocab_.words; }
  uint64_t entries(int k) const override { return tables_.size(k); }
  const wordid_t *last_words(int k) const override { return tables_.words(k); }
  uint64_t first_successor(int k, uint64_t i) const override {
    return i < tables_.size(k) ? tables_.FirstSuccessor(k, i) : tables_.size(k + 1);
  }
  const float *log10_probs(int k) const override { return probs_[k].data(); }
  const float *log10_backoffs(int k) const override { return backoffs_[k].data(); }
  std::string method_text() const override;

 private:
  const BuildConfig &config_;
  const ModelVocabulary &vocab_;
  const ModelTables &tables_;
  std::vector<std::vector<float>> probs_;     // per level
  std::vector<std::vector<float>> backoffs_;  // per level below the top
};

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_BUILD_BUILT_MODEL_H
