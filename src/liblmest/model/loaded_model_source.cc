#include "liblmest/model/loaded_model_source.h"

#include "liblmest/model/level_walk.h"

namespace lexkit {
namespace model {

void LoadedModelSource::VisitLevel(int k, const Visitor &visit) const {
  const float *probs = model_.level(k).probs;
  wordid_t words[model_file::kMaxOrder];
  if (k == 0) {
    for (uint64_t i = 0; i < entries(0); ++i) {
      words[0] = static_cast<wordid_t>(i);
      visit(i, words, probs[i]);
    }
    return;
  }
  if (entries(k) == 0) return;  // (the walk reads the first entry of each level above)
  LevelWalk walk(*this, k);
  while (walk.Next()) {
    for (int l = 0; l <= k; ++l) words[l] = walk.word(l);
    const uint64_t i = walk.position(k);
    visit(i, words, probs[i]);
  }
}

std::string LoadedModelSource::method_text() const {
  const uint64_t size = model_.header().sections[model_file::kMethodText].size;
  const char *text = static_cast<const char *>(model_.section(model_file::kMethodText));
  return size > 0 ? std::string(text, size) : std::string();
}

}  // namespace model
}  // namespace lexkit
