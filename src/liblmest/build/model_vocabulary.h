// The vocabulary of a model: its words by id (read_voc's array, id 0 the
// unknown word), and which words are context cues, never predicted but
// still histories.
#ifndef LEXKIT_LIBLMEST_BUILD_MODEL_VOCABULARY_H
#define LEXKIT_LIBLMEST_BUILD_MODEL_VOCABULARY_H

#include <vector>

#include "lexkit/sih.h"
#include "liblmest/build/build_config.h"

namespace lexkit {

struct ModelVocabulary {
  sih_t *table = nullptr;   // word -> id 1..size
  char **words = nullptr;   // id -> word; entry 0 "<UNK>"
  vocab_sz_t size = 0;
  bool closed = false;
  std::vector<flag> cue;    // by id 0..size
  int cues = 0;

  // Whether the model gives word `id` a probability: not a context cue,
  // and not the unknown word of a closed vocabulary.
  bool predicted(wordid_t id) const { return !cue[id] && (id != 0 || !closed); }
};

// Reads the vocabulary and the context cues named by the configuration.
ModelVocabulary LoadModelVocabulary(const BuildConfig &config);

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_BUILD_MODEL_VOCABULARY_H
