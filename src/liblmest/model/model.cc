#include "liblmest/model/model.h"

#include <atomic>

#include "liblmest/model/successor_search.h"

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

void Model::FindSuccessors(const ContextState &context, uint32_t word,
                           uint32_t *found) const {
  // One search per order, each independent of the others: done a stage at
  // a time for all of them, so that their cache misses overlap instead of
  // following one another. First each context entry's successor range.
  const uint32_t length = context.length;
  uint32_t lo[kMaxOrder], hi[kMaxOrder];
  for (uint32_t m = 1; m <= length; ++m) {
    const uint32_t node = context.nodes[m - 1];
    const uint32_t *ranges = levels_[m - 1].next;
    lo[m] = node != kAbsent ? ranges[node] : 0;
    hi[m] = node != kAbsent ? ranges[node + 1] : 0;
  }
  // Then the block of each range that can hold the word, asking at once
  // for the first line of its ids and of their probabilities: the search
  // and the prediction read them next.
  for (uint32_t m = 1; m <= length; ++m) {
    const Level &level = levels_[m];
    NarrowToBlock(level.samples, word, &lo[m], &hi[m]);
    __builtin_prefetch(level.words + lo[m]);
    __builtin_prefetch(level.probs + lo[m]);
  }
  for (uint32_t m = 1; m <= length; ++m) found[m] = FindInBlock(levels_[m].words, lo[m], hi[m], word);
}

void Model::Extend(const ContextState &context, uint32_t word, const uint32_t *found,
                   ContextState *next) const {
  // The word's own entry, then the (m + 1)-gram entries found under the
  // context's m-gram entries. A closed model's unknown word is no context.
  // The next word's searches read each entry's successor range and its
  // back-off weight: asked for now, they arrive while this word's
  // prediction is finished.
  const uint32_t longest = order() - 1;
  next->length = context.length < longest ? context.length + 1 : longest;
  if (next->length == 0) return;
  for (uint32_t m = next->length - 1; m >= 1; --m) {
    next->nodes[m] = found[m];
    if (found[m] != kAbsent) {
      __builtin_prefetch(levels_[m].next + found[m]);
      __builtin_prefetch(levels_[m].bows + found[m]);
    }
  }
  next->nodes[0] = word == 0 && closed() ? kAbsent : word;
}

void Model::Advance(const ContextState &context, uint32_t word, ContextState *next) const {
  word = Clamp(word);
  uint32_t found[kMaxOrder];
  FindSuccessors(context, word, found);
  Extend(context, word, found, next);
}

ContextState Model::StateOf(const uint32_t *ids, size_t length) const {
  const uint32_t longest = order() - 1;
  const size_t used = length < longest ? length : longest;
  ContextState state;
  for (size_t i = length - used; i < length; ++i) Advance(state, ids[i], &state);
  return state;
}

Prediction Model::Score(const ContextState &context, uint32_t usable, uint32_t word,
                        ContextState *next) const {
  word = Clamp(word);
  __builtin_prefetch(levels_[0].probs + word);  // read when backing off to it
  // The word is the next context's last word: its unigram's successor range
  // and weight are read by the next word's searches.
  if (next != nullptr && levels_[0].next != nullptr) {
    __builtin_prefetch(levels_[0].next + word);
    __builtin_prefetch(levels_[0].bows + word);
  }
  uint32_t found[kMaxOrder];
  FindSuccessors(context, word, found);

  // Context lengths above `usable` were not in the model: digit 2 each.
  const uint32_t longest = order() - 1;
  int bo_case = 0;
  for (uint32_t m = longest; m > usable; --m) bo_case += 2 << (2 * (m - 1));
  // From the longest context down: the (m + 1)-gram of the last m context
  // words and `word` is a successor of the context's entry, when that is
  // in the model; otherwise back off, adding the context's weight when it
  // has one.
  Prediction p = {0, 0, 1};
  double backoff = 0;
  uint32_t m = usable;
  for (; m >= 1; --m) {
    const uint32_t node = context.nodes[m - 1];
    if (node == kAbsent) {
      bo_case += 2 << (2 * (m - 1));
    } else if (found[m] != kAbsent) {
      p = {levels_[m].probs[found[m]] + backoff, bo_case, static_cast<int>(m + 1)};
      break;
    } else {
      backoff += levels_[m - 1].bows[node];
      bo_case += 1 << (2 * (m - 1));
    }
  }
  if (m == 0) p = {levels_[0].probs[word] + backoff, bo_case, 1};
  if (next != nullptr) Extend(context, word, found, next);
  return p;
}

Prediction Model::Predict(const uint32_t *context, size_t length, uint32_t word,
                          PredictionMemo *memo) const {
  const uint32_t longest = order() - 1;
  const uint32_t used = length < longest ? static_cast<uint32_t>(length) : longest;
  const uint32_t *ids = context + (length - used);
  if (memo == nullptr) {
    const ContextState state = StateOf(ids, used);
    return Score(state, used, word, nullptr);
  }
  bool same = memo->model == serial_ && memo->length >= used;
  for (uint32_t i = 0; same && i < used; ++i)
    same = Clamp(ids[i]) == memo->ids[memo->length - used + i];
  // The state is used where it lies: a copy would be read before the
  // stores that made it have left the pipeline, and wait for them.
  ContextState &state = memo->state;
  if (same) {
    state.length = used;  // its entries are those of the last words
  } else {
    state = StateOf(ids, used);
  }
  const Prediction p = Score(state, used, word, &state);
  // The context after `word`: the last words of this one, then `word`.
  memo->model = serial_;
  memo->length = state.length;
  if (memo->length == 0) return p;
  const uint32_t kept = memo->length - 1;
  for (uint32_t i = 0; i < kept; ++i) memo->ids[i] = Clamp(ids[used - kept + i]);
  memo->ids[kept] = Clamp(word);
  return p;
}

}  // namespace model
}  // namespace lexkit
