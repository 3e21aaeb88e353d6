#include "liblmest/model/model.h"

#include "liblmest/model/successor_search.h"

namespace lexkit {
namespace model {

using namespace model_file;

std::unique_ptr<Model> Model::Create(const ModelFileHeader &header,
                                     const void *const sections[kNumSections],
                                     std::shared_ptr<const void> owner,
                                     WordTable *words) {
  auto m = std::make_unique<Model>();
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

uint32_t Model::Successor(uint32_t k, uint32_t node, uint32_t id) const {
  const uint32_t *next = levels_[k].next;
  uint32_t lo = next[node], hi = next[node + 1];
  const Level &above = levels_[k + 1];
  NarrowToBlock(above.samples, id, &lo, &hi);
  // What is read of the entry found (its probability and, below the top,
  // its successor range) lies beside the block's ids: asking for all of it
  // now overlaps its cache misses with the search's.
  __builtin_prefetch(above.words + lo);
  __builtin_prefetch(above.probs + lo);
  if (above.next != nullptr) __builtin_prefetch(above.next + lo);
  return FindInBlock(above.words, lo, hi, id);
}

uint32_t Model::Node(const uint32_t *ids, uint32_t n) const {
  uint32_t node = Clamp(ids[0]);
  if (node == 0 && closed()) return kAbsent;
  for (uint32_t k = 1; k < n && node != kAbsent; ++k)
    node = Successor(k - 1, node, Clamp(ids[k]));
  return node;
}

Prediction Model::Predict(const uint32_t *context, size_t length,
                          uint32_t word) const {
  word = Clamp(word);
  // Backing off reads the last context word's successor range and the
  // word's unigram: ask for both before the long context's search.
  if (length > 0) __builtin_prefetch(levels_[0].next + Clamp(context[length - 1]));
  __builtin_prefetch(levels_[0].probs + word);
  const uint32_t longest = order() - 1;
  const uint32_t used = length < longest ? static_cast<uint32_t>(length) : longest;
  const uint32_t *ctx = context + (length - used);  // the ids that count

  // Context lengths above `used` were not in the model: digit 2 each.
  int bo_case = 0;
  for (uint32_t m = longest; m > used; --m) bo_case += 2 << (2 * (m - 1));
  // From the longest context down: the (m + 1)-gram of the last m context
  // words and `word` is a successor of the context's entry, when that is
  // in the model; otherwise back off, adding the context's weight when it
  // has one.
  double backoff = 0;
  for (uint32_t m = used; m >= 1; --m) {
    const uint32_t node = Node(ctx + used - m, m);
    if (node == kAbsent) {
      bo_case += 2 << (2 * (m - 1));
      continue;
    }
    const uint32_t found = Successor(m - 1, node, word);
    if (found != kAbsent)
      return {levels_[m].probs[found] + backoff, bo_case, static_cast<int>(m + 1)};
    backoff += levels_[m - 1].bows[node];
    bo_case += 1 << (2 * (m - 1));
  }
  return {levels_[0].probs[word] + backoff, bo_case, 1};
}

}  // namespace model
}  // namespace lexkit
