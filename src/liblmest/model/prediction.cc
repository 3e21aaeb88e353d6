// Predictions: the searches of a word among the successors of its
// context's entries, one per order, and the back-off rule over what they
// found. Each search is done in stages (asking for the successor range,
// narrowing it to the block that can hold the word, finding the word's
// place in the block), and the stages of independent searches are done
// together, so that their cache misses overlap instead of following one
// another: for one word, the searches at every order; for a text, those of
// a run of words at one order (a word's search at order m + 1 needs only
// the previous word's at order m).
#include "liblmest/model/model.h"

#include "liblmest/model/successor_search.h"

namespace lexkit {
namespace model {

using namespace model_file;

void Model::AskForRange(uint32_t m, uint32_t node) const {
  if (node != kAbsent) __builtin_prefetch(levels_[m - 1].next + node);
}

Model::Search Model::StartSearch(uint32_t m, uint32_t node, uint32_t word) const {
  if (node == kAbsent) return {0, 0};
  const uint32_t *ranges = levels_[m - 1].next;
  Search s = {ranges[node], ranges[node + 1]};
  const Level &level = levels_[m];
  NarrowToBlock(level.samples, word, &s.lo, &s.hi);
  // The search reads the block's ids next, and the prediction the
  // probability of the one found, mostly in the block's first line.
  __builtin_prefetch(level.words + s.lo);
  __builtin_prefetch(level.probs + s.lo);
  return s;
}

uint32_t Model::FinishSearch(uint32_t m, Search s, uint32_t word) const {
  return FindInBlock(levels_[m].words, s.lo, s.hi, word);
}

void Model::FindSuccessors(const ContextState &context, uint32_t word,
                           uint32_t *found) const {
  const uint32_t length = context.length;
  Search searches[kMaxOrder];
  for (uint32_t m = 1; m <= length; ++m) AskForRange(m, context.nodes[m - 1]);
  for (uint32_t m = 1; m <= length; ++m) searches[m] = StartSearch(m, context.nodes[m - 1], word);
  for (uint32_t m = 1; m <= length; ++m) found[m] = FinishSearch(m, searches[m], word);
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

Prediction Model::Choose(const ContextState &context, const uint32_t *found, uint32_t usable,
                         uint32_t word) const {
  // Context lengths above `usable` were not in the model: digit 2 each.
  const uint32_t longest = order() - 1;
  int bo_case = 0;
  for (uint32_t m = longest; m > usable; --m) bo_case += 2 << (2 * (m - 1));
  // From the longest context down: the (m + 1)-gram of the last m context
  // words and `word` is a successor of the context's entry, when that is
  // in the model; otherwise back off, adding the context's weight when it
  // has one.
  double backoff = 0;
  for (uint32_t m = usable; m >= 1; --m) {
    const uint32_t node = context.nodes[m - 1];
    if (node == kAbsent) {
      bo_case += 2 << (2 * (m - 1));
    } else if (found[m] != kAbsent) {
      return {levels_[m].probs[found[m]] + backoff, bo_case, static_cast<int>(m + 1)};
    } else {
      backoff += levels_[m - 1].bows[node];
      bo_case += 1 << (2 * (m - 1));
    }
  }
  return {levels_[0].probs[word] + backoff, bo_case, 1};
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
  const Prediction p = Choose(context, found, usable, word);
  if (next != nullptr) Extend(context, word, found, next);
  return p;
}

void Model::ScoreText(ContextState *context, const uint32_t *ids, const uint32_t *usable,
                      size_t count, Prediction *predictions) const {
  constexpr size_t kRun = 64;
  const uint32_t longest = order() - 1;
  ContextState states[kRun + 1];  // states[i]: the context of the run's word i
  uint32_t words[kRun];
  uint32_t found[kRun][kMaxOrder];
  Search searches[kRun];
  for (size_t start = 0; start < count; start += kRun) {
    const size_t n = count - start < kRun ? count - start : kRun;
    states[0] = *context;
    for (size_t i = 0; i < n; ++i) {
      words[i] = Clamp(ids[start + i]);
      __builtin_prefetch(levels_[0].probs + words[i]);
      ContextState &next = states[i + 1];
      next.length = states[i].length < longest ? states[i].length + 1 : longest;
      if (next.length > 0) next.nodes[0] = words[i] == 0 && closed() ? kAbsent : words[i];
    }
    // Order by order, each word's search under its context's entry, which
    // the previous word's search at the order below has found.
    for (uint32_t m = 1; m <= longest; ++m) {
      for (size_t i = 0; i < n; ++i)
        if (m <= states[i].length) AskForRange(m, states[i].nodes[m - 1]);
      for (size_t i = 0; i < n; ++i)
        searches[i] = m <= states[i].length ? StartSearch(m, states[i].nodes[m - 1], words[i])
                                            : Search{0, 0};
      for (size_t i = 0; i < n; ++i) {
        found[i][m] = FinishSearch(m, searches[i], words[i]);
        if (m < states[i + 1].length) states[i + 1].nodes[m] = found[i][m];
        // The prediction reads the weight of an entry it backs off from.
        if (m < longest && found[i][m] != kAbsent)
          __builtin_prefetch(levels_[m].bows + found[i][m]);
      }
    }
    for (size_t i = 0; i < n; ++i)
      predictions[start + i] = Choose(states[i], found[i], usable[start + i], words[i]);
    *context = states[n];
  }
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
