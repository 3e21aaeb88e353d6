// What the model writers read: a back-off model as levels of entries in
// trie order (level k holds the (k+1)-grams, grouped by context, each group
// in ascending order of the last word), with log10 probabilities and, below
// the top level, log10 back-off weights. Level 0 has an entry for every word
// id 0..vocab_size, id 0 being the unknown word.
#ifndef LEXKIT_LIBLMEST_MODEL_MODEL_SOURCE_H
#define LEXKIT_LIBLMEST_MODEL_MODEL_SOURCE_H

#include <stdint.h>

#include <functional>
#include <string>
#include <string_view>

#include "lexkit/general.h"

namespace lexkit {

class ModelSource {
 public:
  virtual ~ModelSource() = default;

  virtual int order() const = 0;
  virtual uint64_t vocab_size() const = 0;
  // A closed model never predicts the unknown word.
  virtual bool closed() const = 0;
  // The word of an id; the unknown word is spelt "<unk>".
  virtual std::string_view word(wordid_t id) const = 0;
  virtual uint64_t entries(int k) const = 0;
  virtual wordid_t last_word(int k, uint64_t i) const = 0;
  // For k < order - 1: the first of entry i's successors in level k + 1.
  virtual uint64_t first_successor(int k, uint64_t i) const = 0;
  // For k < order - 1.
  virtual float log10_backoff(int k, uint64_t i) const = 0;

  // Calls visit(i, words, log10 probability) for each entry of level k in
  // order; words holds its k + 1 ids, oldest first. A word that is never
  // predicted has the probability model_file::kLog10Zero (-99).
  using Visitor = std::function<void(uint64_t i, const wordid_t *words, float log10_prob)>;
  virtual void VisitLevel(int k, const Visitor &visit) const = 0;

  // "name value" lines: the method and its parameters.
  virtual std::string method_text() const = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_MODEL_SOURCE_H
