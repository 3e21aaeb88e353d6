// What the model writers read: a back-off model as levels of entries in
// trie order (level k holds the (k+1)-grams, grouped by context, each group
// in ascending order of the last word), with log10 probabilities and, below
// the top level, log10 back-off weights, each level's values in one array
// so that a writer reads them in order. Level 0 has an entry for every word
// id 0..vocab_size, id 0 being the unknown word.
#ifndef LEXKIT_LIBLMEST_MODEL_MODEL_SOURCE_H
#define LEXKIT_LIBLMEST_MODEL_MODEL_SOURCE_H

#include <stdint.h>

#include <string>

#include "lexkit/general.h"
#include "libs/vocabulary/packed_words.h"

namespace lexkit {

class ModelSource {
 public:
  virtual ~ModelSource() = default;

  virtual int order() const = 0;
  virtual uint64_t vocab_size() const = 0;
  // A closed model never predicts the unknown word.
  virtual bool closed() const = 0;
  // The words of the ids 0..vocab_size; the unknown word is spelt "<unk>".
  virtual const PackedWords &words() const = 0;
  virtual uint64_t entries(int k) const = 0;
  // For k >= 1: the last word of each of the level's entries.
  virtual const wordid_t *last_words(int k) const = 0;
  // For k < order - 1 and i <= entries(k): the first of entry i's
  // successors in level k + 1 (for i = entries(k), entries(k + 1)).
  virtual uint64_t first_successor(int k, uint64_t i) const = 0;
  // The level's log10 probabilities; a word that is never predicted has
  // model_file::kLog10Zero (-99).
  virtual const float *log10_probs(int k) const = 0;
  // For k < order - 1: the level's log10 back-off weights.
  virtual const float *log10_backoffs(int k) const = 0;

  // "name value" lines: the method and its parameters.
  virtual std::string method_text() const = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_MODEL_SOURCE_H
