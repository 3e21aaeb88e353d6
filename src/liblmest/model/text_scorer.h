// Scoring a text word by word: the history of the last order - 1 word ids
// (context cues and unknown words included), the forced back-off cut, the
// tallies of the report and the per-word lines of -probs.
#ifndef LEXKIT_LIBLMEST_MODEL_TEXT_SCORER_H
#define LEXKIT_LIBLMEST_MODEL_TEXT_SCORER_H

#include <stdio.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "lexkit/ngram.h"
#include "liblmest/model/model.h"

namespace lexkit {
namespace model {

struct TextStats {
  uint64_t words_read = 0;
  uint64_t words_scored = 0;
  uint64_t oov_words = 0;
  uint64_t context_cues = 0;
  double log10_prob = 0;
  uint64_t found[model_file::kMaxOrder] = {};  // scored words by order found
};

class TextScorer {
 public:
  // `context_cue` and `backoff` have an entry per id 0..vocab_size, or are
  // null; `probs` (or null) gets a line per scored word.
  TextScorer(const Model &model, const flag *context_cue, const fb_info *backoff,
             FILE *probs);

  // The next `count` words of the text.
  void Add(const std::string_view *words, size_t count);

  const TextStats &stats() const { return stats_; }

 private:
  // The number of history words that the prediction may use.
  uint32_t UsableContext() const;
  void Remember(uint32_t id);
  void WriteProbLine(std::string_view word, const Prediction &p);

  const Model &model_;
  const flag *context_cue_;
  const fb_info *backoff_;
  FILE *probs_;
  uint32_t history_[model_file::kMaxOrder] = {};  // oldest first
  uint32_t history_length_ = 0;
  ContextState context_;  // the model's entries of the history
  // Of the words being added:
  std::vector<std::string_view> words_;
  std::vector<uint32_t> ids_;
  std::vector<uint32_t> usable_;  // history words each prediction may use
  std::vector<bool> scored_;
  std::vector<Prediction> predictions_;
  TextStats stats_;
};

// The report's "name value" lines.
void WriteReport(const TextStats &stats, uint32_t order, FILE *fp);

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_TEXT_SCORER_H
