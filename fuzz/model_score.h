// Shared by the model fuzz targets: scoring every word of a loaded model
// after contexts taken from the input, so that any model the loaders accept
// is also read through, end to end, under the sanitizers.
#ifndef LEXKIT_FUZZ_MODEL_SCORE_H
#define LEXKIT_FUZZ_MODEL_SCORE_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "lexkit/model.h"
#include "liblmest/model/model_handle.h"

namespace lexkit_fuzz {

inline void ScoreEverything(const lexkit_model *model, const uint8_t *data, size_t size) {
  const uint64_t words = lexkit_model_vocab_size(model) + 2;  // one beyond the vocabulary
  wordid_t context[12];
  for (size_t at = 0; at + 1 < size && at < 64; ++at) {
    for (size_t i = 0; i < 12; ++i) context[i] = data[(at + i) % size] % words;
    for (uint64_t w = 0; w < words && w < 256; ++w) {
      int bo_case;
      lexkit_model_prob(model, context, data[at] % 13, static_cast<wordid_t>(w), &bo_case);
    }
  }
  for (uint64_t w = 0; w < words; ++w) lexkit_model_word(model, static_cast<wordid_t>(w));
  // The input's bytes as a text scored in runs, each word after a part of
  // its context that the input chooses too.
  std::vector<uint32_t> ids(size < 300 ? size : 300), usable(ids.size());
  std::vector<lexkit::model::Prediction> predictions(ids.size());
  const uint32_t longest = static_cast<uint32_t>(lexkit_model_order(model)) - 1;
  for (size_t i = 0; i < ids.size(); ++i) {
    ids[i] = data[i] % words;
    const uint32_t length = i < longest ? static_cast<uint32_t>(i) : longest;
    usable[i] = data[(i + 1) % size] % (length + 1);
  }
  lexkit::model::ContextState state;
  model->model->ScoreText(&state, ids.data(), usable.data(), ids.size(), predictions.data());
}

}  // namespace lexkit_fuzz

#endif  // LEXKIT_FUZZ_MODEL_SCORE_H
