// A loaded model (model.h) seen as the model writers read a model
// (model_source.h), so that a model opened from one file can be written as
// the other with the writers buildlex uses, byte for byte as buildlex
// would write it.
#ifndef LEXKIT_LIBLMEST_MODEL_LOADED_MODEL_SOURCE_H
#define LEXKIT_LIBLMEST_MODEL_LOADED_MODEL_SOURCE_H

#include "liblmest/model/model.h"
#include "liblmest/model/model_source.h"

namespace lexkit {
namespace model {

class LoadedModelSource : public ModelSource {
 public:
  explicit LoadedModelSource(const Model &model) : model_(model) {}

  int order() const override { return static_cast<int>(model_.order()); }
  uint64_t vocab_size() const override { return model_.vocab_size(); }
  bool closed() const override { return model_.closed(); }
  std::string_view word(wordid_t id) const override { return model_.Word(id); }
  uint64_t entries(int k) const override { return model_.level(k).count; }
  wordid_t last_word(int k, uint64_t i) const override {
    return k == 0 ? static_cast<wordid_t>(i) : model_.level(k).words[i];
  }
  uint64_t first_successor(int k, uint64_t i) const override { return model_.level(k).next[i]; }
  float log10_backoff(int k, uint64_t i) const override { return model_.level(k).bows[i]; }
  void VisitLevel(int k, const Visitor &visit) const override;
  std::string method_text() const override;

  // What LevelWalk reads.
  uint64_t size(int k) const { return entries(k); }
  wordid_t word(int k, uint64_t i) const { return last_word(k, i); }
  uint64_t SuccessorsEnd(int k, uint64_t i) const { return model_.level(k).next[i + 1]; }

 private:
  const Model &model_;
};

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_LOADED_MODEL_SOURCE_H
