// Builds the trie levels of a model (model_file.h) from the n-grams of each
// order as a reader met them, in any order: each level is put in the order
// of its word ids (first word most significant), which is the trie's order,
// then linked to the level below it by one merge-like walk that finds each
// n-gram's context and fills the context's successor range.
#ifndef LEXKIT_LIBLMEST_MODEL_TRIE_BUILDER_H
#define LEXKIT_LIBLMEST_MODEL_TRIE_BUILDER_H

#include <cstdint>
#include <string>
#include <vector>

#include "liblmest/model/model_arrays.h"

namespace lexkit {
namespace model {

// The n-grams of one order, as read.
struct ReadNgrams {
  uint32_t n = 0;             // words per n-gram
  std::vector<uint32_t> ids;  // n ids per n-gram
  std::vector<float> probs;
  std::vector<float> bows;    // one per n-gram, or none at the top level
  bool ascending = true;      // every n-gram above the one before it
};

class TrieBuilder {
 public:
  // `arrays` holds the vocabulary and level 0 (vocab_size + 1 unigrams).
  TrieBuilder(ModelArrays *arrays, uint32_t vocab_size);

  // Adds the level of the next order (2, 3, ...), filling the successor
  // ranges of the level below. Empty, or the reason the n-grams do not make
  // a trie (an n-gram twice, an n-gram whose context is missing).
  std::string AddLevel(ReadNgrams ngrams);

 private:
  std::string Describe(const uint32_t *ids, uint32_t n) const;

  ModelArrays *arrays_;
  uint32_t vocab_size_;
  uint32_t level_ = 0;              // the last level built
  std::vector<uint32_t> contexts_;  // its n-grams' ids, in trie order
};

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_TRIE_BUILDER_H
