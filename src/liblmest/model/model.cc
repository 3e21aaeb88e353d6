// Making a model over its sections: the typed views of its levels, the
// samples of their ids that the successor searches narrow by, and the word
// table; the predictions are in prediction.cc.
#include "liblmest/model/model.h"

#include <atomic>

#include "liblmest/model/successor_search.h"  // the samples

namespace lexkit {
namespace model {

using namespace model_file;

namespace {

std::atomic<uint64_t> models_made{0};

}  // namespace

std::unique_ptr<Model> Model::Create(const ModelFileHeader &header,
                                     const void *const sections[kNumSections],
                                     std::shared_ptr<const void> owner,
                                     WordTable *words) {
  auto m = std::make_unique<Model>();
  m->serial_ = ++models_made;
  m->header_ = header;
  for (uint32_t s = 0; s < kNumSections; ++s) m->sections_[s] = sections[s];
  m->owner_ = std::move(owner);
  for (uint32_t k = 0; k < header.order; ++k) {
    const void *const *level = sections + kFirstLevelSection + k * kSectionsPerLevel;
    Level &view = m->levels_[k];
    view.words = static_cast<const uint32_t *>(level[kLevelWords]);
    view.probs = static_cast<const float *>(level[kLevelProbs]);
    view.bows = static_cast<const float *>(level[kLevelBows]);
    view.next = static_cast<const uint32_t *>(level[kLevelNext]);
    view.count = static_cast<uint32_t>(header.counts[k]);
    if (k > 0) {
      m->samples_[k] = SampleIds(view.words, view.count);
      view.samples = m->samples_[k].data();
    }
  }
  m->vocab_text_ = static_cast<const char *>(sections[kVocabText]);
  m->vocab_offsets_ = static_cast<const uint64_t *>(sections[kVocabOffsets]);
  if (words != nullptr) {
    m->words_ = std::move(*words);
    return m;
  }
  // A closed model's unknown word is not one of its words.
  m->words_.Build(m->vocab_text_, m->vocab_offsets_, m->closed() ? 1 : 0, m->vocab_size());
  return m;
}

uint64_t Model::OwnMemoryBytes() const {
  uint64_t bytes = sizeof *this + words_.MemoryBytes();
  for (const std::vector<uint32_t> &samples : samples_) bytes += samples.capacity() * 4;
  return bytes;
}

}  // namespace model
}  // namespace lexkit
