// A loaded back-off model: the trie of the binary model file (model_file.h)
// seen through typed views of its sections, wherever they lie (in a file
// read whole, or in the arrays the ARPA reader built), and the word table
// built over its vocabulary. A model never changes once made, so any number
// of threads may score with it at once.
#ifndef LEXKIT_LIBLMEST_MODEL_MODEL_H
#define LEXKIT_LIBLMEST_MODEL_MODEL_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "liblmest/model/model_file.h"
#include "liblmest/model/word_table.h"

namespace lexkit {
namespace model {

// What Lookup gives for a word that a closed model does not know.
constexpr uint32_t kNotInModel = UINT32_MAX;

// One level of the trie (see model_file.h).
struct Level {
  const uint32_t *words = nullptr;  // null for level 0 (dense)
  const float *probs = nullptr;
  const float *bows = nullptr;      // null for the top level
  const uint32_t *next = nullptr;   // null for the top level
  uint32_t count = 0;
  const uint32_t *samples = nullptr;  // of `words` (successor_search.h)
};

// One prediction: the log10 probability, the back-off case (one base-4
// digit per context position, as decode_bo_case reads it: 1 where the
// context was in the model and its back-off weight was applied, 2 where it
// was not) and the order of the n-gram that was found.
struct Prediction {
  double log10_prob;
  int bo_case;
  int order_found;
};

// The context of a prediction as a decoder carries it from word to word:
// for m = 1..length, nodes[m - 1] is the entry of level m - 1 that holds the
// last m words of the history, or kAbsent where the model lacks them. The
// searches that predict a word find the entries of the next word's context
// too, so a text scored in turn needs no search for its contexts.
struct ContextState {
  uint32_t length = 0;
  uint32_t nodes[model_file::kMaxOrder] = {};
};

// What a caller keeps of the context its last prediction ended with: the
// model's serial number (models are told apart by it, not by their
// address, which a new model may take over from a closed one), the
// context's words, oldest first, and their entries.
struct PredictionMemo {
  uint64_t model = 0;
  uint32_t length = 0;
  uint32_t ids[model_file::kMaxOrder] = {};
  ContextState state;
};

class Model {
 public:
  // A model over sections laid out as `header` says, section s starting at
  // sections[s] (each aligned for its type; sizes as in the header). The
  // sections must already be valid (model_check.h); `owner` keeps them
  // alive.
  // A reader that has built the word table over these sections already
  // (of ids 1..vocab_size for a closed model, else 0..vocab_size) passes it
  // as `words`.
  static std::unique_ptr<Model> Create(
      const model_file::ModelFileHeader &header,
      const void *const sections[model_file::kNumSections],
      std::shared_ptr<const void> owner,
      WordTable *words = nullptr);

  const model_file::ModelFileHeader &header() const { return header_; }
  const void *section(uint32_t s) const { return sections_[s]; }

  uint32_t order() const { return header_.order; }
  uint32_t vocab_size() const { return static_cast<uint32_t>(header_.vocab_size); }
  bool closed() const { return (header_.flags & model_file::kFlagClosedVocabulary) != 0; }
  const Level &level(uint32_t k) const { return levels_[k]; }
  // The number of n-grams of order n (1..order), as an ARPA file would
  // declare it: a closed model's unknown word is not an n-gram.
  uint64_t NgramCount(uint32_t n) const {
    return header_.counts[n - 1] - (n == 1 && closed() ? 1 : 0);
  }

  // The id of a word: 0..vocab_size; an unknown word gets 0 (<unk>) from
  // an open model and kNotInModel from a closed one.
  uint32_t Lookup(std::string_view word) const {
    const uint32_t id = words_.Find(word);
    if (id != WordTable::kAbsent) return id;
    return closed() ? kNotInModel : 0;
  }
  // The ids of `count` words, as Lookup gives them one by one, but with the
  // memory accesses of all of them overlapping (WordTable::FindBatch).
  void Lookup(const std::string_view *words, size_t count, uint32_t *ids) const {
    words_.FindBatch(words, count, ids);
    const uint32_t unknown = closed() ? kNotInModel : 0;
    for (size_t i = 0; i < count; ++i) ids[i] = ids[i] != WordTable::kAbsent ? ids[i] : unknown;
  }
  // The word of an id (0..vocab_size).
  std::string_view Word(uint32_t id) const {
    return std::string_view(vocab_text_ + vocab_offsets_[id],
                            vocab_offsets_[id + 1] - vocab_offsets_[id] - 1);
  }

  // The prediction of `word` after `length` context ids, oldest first; only
  // the last order - 1 of them count. Ids above vocab_size stand for the
  // unknown word. `memo` (or null) holds the context of the caller's last
  // prediction and receives this one's: a caller that scores a text word
  // after word (a decoder following one hypothesis) asks next for the
  // context of the word it has just scored, which then needs no search.
  Prediction Predict(const uint32_t *context, size_t length, uint32_t word,
                     PredictionMemo *memo = nullptr) const;

  // The prediction of `word` after the last `usable` (at most
  // context.length) words of a context; `next` (or null; it may be
  // `context` itself) gets the context that ends with `word`, of the whole
  // context's length plus one, at most order - 1.
  Prediction Score(const ContextState &context, uint32_t usable, uint32_t word,
                   ContextState *next) const;
  // The context after `word`, as Score gives it, for a word of the history
  // that is not predicted.
  void Advance(const ContextState &context, uint32_t word, ContextState *next) const;
  // The context of the last order - 1 of `length` ids.
  ContextState StateOf(const uint32_t *ids, size_t length) const;
  // The predictions of the `count` words at `ids` of a text, each after
  // those before it: word i's as Score gives it after the last usable[i]
  // words of its context. `context` holds the context before the first
  // word and receives the one after the last. Faster than Score word by
  // word: the searches of many words are done together.
  void ScoreText(ContextState *context, const uint32_t *ids, const uint32_t *usable,
                 size_t count, Prediction *predictions) const;

  // Bytes held besides the sections.
  uint64_t OwnMemoryBytes() const;

  Model() = default;  // an empty shell; models are made by Create

 private:
  // A search of a word among the successors of an entry of level m - 1:
  // their run of level m, narrowed to the block that can hold the word.
  struct Search {
    uint32_t lo, hi;
  };

  uint32_t Clamp(uint32_t id) const { return id <= vocab_size() ? id : 0; }
  // The stages of a search under `node` (kAbsent: nothing to search):
  // asking for the successor range, narrowing it, finding the word.
  void AskForRange(uint32_t m, uint32_t node) const;
  Search StartSearch(uint32_t m, uint32_t node, uint32_t word) const;
  uint32_t FinishSearch(uint32_t m, Search search, uint32_t word) const;
  // For m = 1..context.length, found[m]: the entry of level m that holds
  // the context's last m words and `word` (clamped), or kAbsent.
  void FindSuccessors(const ContextState &context, uint32_t word, uint32_t *found) const;
  // The context after `word` from the entries FindSuccessors found.
  void Extend(const ContextState &context, uint32_t word, const uint32_t *found,
              ContextState *next) const;
  // The prediction of `word` (clamped) after the last `usable` words of
  // `context`, from the entries found under them.
  Prediction Choose(const ContextState &context, const uint32_t *found, uint32_t usable,
                    uint32_t word) const;

  uint64_t serial_ = 0;  // tells models apart, however short-lived
  model_file::ModelFileHeader header_;
  const void *sections_[model_file::kNumSections] = {};
  std::shared_ptr<const void> owner_;
  Level levels_[model_file::kMaxOrder];
  const char *vocab_text_ = nullptr;
  const uint64_t *vocab_offsets_ = nullptr;
  WordTable words_;
  std::vector<uint32_t> samples_[model_file::kMaxOrder];
};

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_MODEL_H
