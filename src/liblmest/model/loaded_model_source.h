// A loaded model (model.h) seen as the model writers read a model
// (model_source.h), so that a model opened from one file can be written as
// the other with the writers buildlex uses, byte for byte as buildlex
// would write it. The words are copied into the writers' packed form; the
// levels are read in place.
#ifndef LEXKIT_LIBLMEST_MODEL_LOADED_MODEL_SOURCE_H
#define LEXKIT_LIBLMEST_MODEL_LOADED_MODEL_SOURCE_H

#include "liblmest/model/model.h"
#include "liblmest/model/model_source.h"

namespace lexkit {
namespace model {

class LoadedModelSource : public ModelSource {
 public:
  explicit LoadedModelSource(const Model &model);

  int order() const override { return static_cast<int>(model_.order()); }
  uint64_t vocab_size() const override { return model_.vocab_size(); }
  bool closed() const override { return model_.closed(); }
  const PackedWords &words() const override { return words_; }
  uint64_t entries(int k) const override { return model_.level(k).count; }
  const wordid_t *last_words(int k) const override { return model_.level(k).words; }
  uint64_t first_successor(int k, uint64_t i) const override { return model_.level(k).next[i]; }
  const float *log10_probs(int k) const override { return model_.level(k).probs; }
  const float *log10_backoffs(int k) const override { return model_.level(k).bows; }
  std::string method_text() const override;

 private:
  const Model &model_;
  PackedWords words_;
};

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_LOADED_MODEL_SOURCE_H
