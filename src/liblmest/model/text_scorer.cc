#include "liblmest/model/text_scorer.h"

#include <string.h>

#include <charconv>
#include <cmath>


namespace lexkit {
namespace model {

TextScorer::TextScorer(const Model &model, const flag *context_cue,
                       const fb_info *backoff, FILE *probs)
    : model_(model), context_cue_(context_cue), backoff_(backoff), probs_(probs) {}

uint32_t TextScorer::UsableContext() const {
  if (backoff_ == nullptr) return history_length_;
  // The nearest marked word cuts the context: it stays (inclusive) or goes.
  for (uint32_t back = 1; back <= history_length_; ++back) {
    const fb_info &mark = backoff_[history_[history_length_ - back]];
    if (mark.backed_off) return mark.inclusive ? back : back - 1;
  }
  return history_length_;
}

void TextScorer::Remember(uint32_t id) {
  const uint32_t keep = model_.order() - 1;
  if (keep == 0) return;
  if (history_length_ == keep) {
    memmove(history_, history_ + 1, (keep - 1) * sizeof history_[0]);
    --history_length_;
  }
  history_[history_length_++] = id;
}

void TextScorer::WriteProbLine(std::string_view word, const Prediction &p) {
  char number[64];
  number[0] = ' ';
  const std::to_chars_result end =
      std::to_chars(number + 1, number + sizeof number - 1, p.log10_prob,
                    std::chars_format::fixed, 6);
  *end.ptr = ' ';
  fwrite_unlocked(word.data(), 1, word.size(), probs_);
  fwrite_unlocked(number, 1, end.ptr + 1 - number, probs_);
  decode_bo_case(p.bo_case, static_cast<int>(model_.order()) - 1, probs_);
}

void TextScorer::Add(const std::string_view *words, size_t count) {
  // A word ends at a NUL byte, as a C string would.
  words_.assign(words, words + count);
  for (std::string_view &word : words_) {
    const void *nul = memchr(word.data(), '\0', word.size());
    if (nul != nullptr) word = word.substr(0, static_cast<const char *>(nul) - word.data());
  }
  ids_.resize(count);
  model_.Lookup(words_.data(), count, ids_.data());

  // First each word's part in the history, which decides how much of it
  // each prediction may use; then the predictions of all the words at
  // once (words that are not scored are still searched for: they are the
  // context of those after them).
  usable_.assign(count, 0);
  scored_.assign(count, false);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t id = ids_[i];
    ++stats_.words_read;
    if (id == kNotInModel || (id == 0 && words_[i] != model_.Word(0))) ++stats_.oov_words;
    if (id == kNotInModel) {
      Remember(0);  // a closed model cannot score it; searched as <unk>
      continue;
    }
    if (context_cue_ != nullptr && context_cue_[id]) {
      ++stats_.context_cues;
    } else {
      usable_[i] = UsableContext();
      scored_[i] = true;
    }
    Remember(id);
  }
  predictions_.resize(count);
  model_.ScoreText(&context_, ids_.data(), usable_.data(), count, predictions_.data());

  for (size_t i = 0; i < count; ++i) {
    if (!scored_[i]) continue;
    const Prediction &p = predictions_[i];
    ++stats_.words_scored;
    stats_.log10_prob += p.log10_prob;
    ++stats_.found[p.order_found - 1];
    if (probs_ != nullptr) WriteProbLine(words_[i], p);
  }
}

void WriteReport(const TextStats &s, uint32_t order, FILE *fp) {
  fprintf(fp, "words_read %llu\n", static_cast<unsigned long long>(s.words_read));
  fprintf(fp, "words_scored %llu\n", static_cast<unsigned long long>(s.words_scored));
  fprintf(fp, "oov_words %llu\n", static_cast<unsigned long long>(s.oov_words));
  fprintf(fp, "context_cues %llu\n", static_cast<unsigned long long>(s.context_cues));
  fprintf(fp, "log10_prob %.6f\n", s.log10_prob);
  if (s.words_scored == 0) {
    fputs("perplexity nan\nentropy_bits nan\n", fp);
  } else {
    const double per_word = -s.log10_prob / static_cast<double>(s.words_scored);
    fprintf(fp, "perplexity %.6f\n", std::pow(10.0, per_word));
    fprintf(fp, "entropy_bits %.6f\n", per_word * std::log2(10.0));
  }
  for (uint32_t n = 1; n <= order; ++n)
    fprintf(fp, "found_%ugram %.6f\n", n,
            s.words_scored == 0 ? 0.0
                                : static_cast<double>(s.found[n - 1]) /
                                      static_cast<double>(s.words_scored));
}

}  // namespace model
}  // namespace lexkit
