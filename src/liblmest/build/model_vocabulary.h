// The vocabulary of a model: its words by id (id 0 the unknown word, spelt
// "<unk>"), and which words are context cues, never predicted but still
// histories.
//
// A word list is read once, through the vocabulary readers' line rule, so
// its words get the ids that every reader gives them (a word repeated in the
// list has an id for each of its lines). A saved ".vocab_ht" table is loaded
// by read_voc.
#ifndef LEXKIT_LIBLMEST_BUILD_MODEL_VOCABULARY_H
#define LEXKIT_LIBLMEST_BUILD_MODEL_VOCABULARY_H

#include <vector>

#include "lexkit/sih.h"
#include "liblmest/build/build_config.h"
#include "libs/vocabulary/packed_words.h"

namespace lexkit {

struct ModelVocabulary {
  PackedWords words;        // id -> word, ids 0..size
  vocab_sz_t size = 0;
  bool closed = false;
  std::vector<flag> cue;    // by id 0..size (id 0 is never a cue)
  int cues = 0;
  // The cues again, a bit each: predicted() is asked of words at random,
  // and 45 KB per 360,000 words stay in the cache where `cue` would not.
  std::vector<bool> cue_bits;

  // Whether the model gives word `id` a probability: not a context cue,
  // and not the unknown word of a closed vocabulary.
  bool predicted(wordid_t id) const {
    if (id == 0) return !closed;
    return cues == 0 || !cue_bits[id];
  }
};

// Reads the vocabulary and the context cues named by the configuration.
ModelVocabulary LoadModelVocabulary(const BuildConfig &config);

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_BUILD_MODEL_VOCABULARY_H
