#include "liblmest/model/arpa_writer.h"

#include <errno.h>
#include <string.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "liblmest/model/float_text.h"

namespace lexkit {
namespace {

// Text gathers in one block that goes to the stream in large writes. A
// writer asks for room first (Reserve), writes from the pointer it gets and
// hands back the end (Commit); a request larger than the block grows it.
class TextOut {
 public:
  TextOut(FILE *fp, const char *path) : fp_(fp), path_(path), text_(kBlock) {}

  char *Reserve(size_t bytes) {
    if (text_.size() - used_ < bytes) {
      Flush();
      if (text_.size() < bytes) text_.resize(bytes);
    }
    return text_.data() + used_;
  }
  void Commit(const char *end) { used_ = static_cast<size_t>(end - text_.data()); }

  void Put(std::string_view s) {
    char *out = Reserve(s.size());
    memcpy(out, s.data(), s.size());
    Commit(out + s.size());
  }
  void PutNumber(uint64_t v) {
    char *out = Reserve(20);
    Commit(std::to_chars(out, out + 20, v).ptr);
  }

  void Flush() {
    if (used_ > 0 && fwrite_unlocked(text_.data(), 1, used_, fp_) != used_)
      quit(-1, "Error : could not write the ARPA model %s: %s\n", path_, strerror(errno));
    used_ = 0;
  }

 private:
  static constexpr size_t kBlock = 1 << 20;

  FILE *fp_;
  const char *path_;
  std::vector<char> text_;
  size_t used_ = 0;
};

// Copies a word of the word table: one fixed 16-byte move for a short word
// (the table lets 16 bytes be read from any word's start), and `out` has
// room for max(16, length) bytes.
char *PutWord(std::string_view word, char *out) {
  if (word.size() <= PackedWords::kReadable)
    memcpy(out, word.data(), PackedWords::kReadable);
  else
    memcpy(out, word.data(), word.size());
  return out + word.size();
}

// The lines of one level, "log10 probability<TAB>words[<TAB>log10 back-off
// weight]". Level k's entries are the successors of level k - 1's, in
// order, so the contexts are walked depth first from level 0 and each
// context's text ("\tw1 w2 ... wk ") is made once for all of its entries.
class LevelLines {
 public:
  LevelLines(const ModelSource &model, int k, TextOut *out)
      : model_(model),
        words_(model.words()),
        k_(k),
        probs_(model.log10_probs(k)),
        backoffs_(k + 1 < model.order() ? model.log10_backoffs(k) : nullptr),
        out_(out),
        context_("\t") {}

  void Write() {
    if (k_ == 0) {
      // The unknown word of a closed model is not in it.
      Lines(model_.closed() ? 1 : 0, model_.entries(0));
      return;
    }
    Contexts(0, 0, model_.entries(0));
  }

 private:
  // A word fetched this many entries ahead has reached the cache by the
  // time its line is written.
  static constexpr uint64_t kAhead = 16;

  wordid_t Word(int l, uint64_t i) const {
    return l == 0 ? static_cast<wordid_t>(i) : model_.last_words(l)[i];
  }

  // The entries [begin, end) of level l < k, each the context of its
  // successors in level l + 1.
  void Contexts(int l, uint64_t begin, uint64_t end) {
    uint64_t first = model_.first_successor(l, begin);
    for (uint64_t c = begin; c < end; ++c) {
      const uint64_t next = model_.first_successor(l, c + 1);
      if (first < next) {
        const size_t length = context_.size();
        context_ += words_.word(Word(l, c));
        context_ += ' ';
        if (l + 1 == k_)
          Lines(first, next);
        else
          Contexts(l + 1, first, next);
        context_.resize(length);
      }
      first = next;
    }
  }

  // The lines of the entries [begin, end) of level k, which share the
  // context text.
  void Lines(uint64_t begin, uint64_t end) {
    const wordid_t *last = k_ == 0 ? nullptr : model_.last_words(k_);
    const uint64_t entries = model_.entries(k_);
    const size_t fixed = context_.size() + 2 * FloatText::kRoom + 2;
    for (uint64_t i = begin; i < end; ++i) {
      if (last != nullptr && i + kAhead < entries) words_.Prefetch(last[i + kAhead]);
      const std::string_view word = words_.word(Word(k_, i));
      char *out = out_->Reserve(fixed + std::max(word.size(), PackedWords::kReadable));
      out = numbers_.Put(probs_[i], out);
      memcpy(out, context_.data(), context_.size());
      out = PutWord(word, out + context_.size());
      if (backoffs_ != nullptr) {
        *out++ = '\t';
        out = numbers_.Put(backoffs_[i], out);
      }
      *out++ = '\n';
      out_->Commit(out);
    }
  }

  const ModelSource &model_;
  const PackedWords &words_;
  const int k_;
  const float *probs_;
  const float *backoffs_;
  TextOut *out_;
  std::string context_;
  FloatText numbers_;
};

}  // namespace

void WriteArpa(const ModelSource &model, FILE *fp, const char *path) {
  TextOut out(fp, path);
  const int n = model.order();
  const uint64_t skipped = model.closed() ? 1 : 0;
  out.Put("\n\\data\\\n");
  for (int k = 0; k < n; ++k) {
    out.Put("ngram ");
    out.PutNumber(static_cast<uint64_t>(k + 1));
    out.Put("=");
    out.PutNumber(model.entries(k) - (k == 0 ? skipped : 0));
    out.Put("\n");
  }
  for (int k = 0; k < n; ++k) {
    out.Put("\n\\");
    out.PutNumber(static_cast<uint64_t>(k + 1));
    out.Put("-grams:\n");
    LevelLines(model, k, &out).Write();
  }
  out.Put("\n\\end\\\n");
  out.Flush();
}

}  // namespace lexkit
