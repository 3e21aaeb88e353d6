#include "liblmest/model/arpa_writer.h"

#include <errno.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "liblmest/model/float_text.h"
#include "liblmest/model/level_walk.h"
#include "libs/base/parallel.h"

namespace lexkit {
namespace {

// Text gathered in a block. A writer asks for room first (Reserve), writes
// from the pointer it gets and hands back the end (Commit); the block grows
// when it must and keeps its size for the next use.
class TextBlock {
 public:
  char *Reserve(size_t bytes) {
    if (text_.size() - used_ < bytes) text_.resize(std::max(2 * text_.size(), used_ + bytes));
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

  size_t size() const { return used_; }
  void Clear() { used_ = 0; }

  // Writes the text to `fp` and empties the block; a failed write ends the
  // process naming `path`.
  void WriteTo(FILE *fp, const char *path) {
    if (used_ > 0 && fwrite_unlocked(text_.data(), 1, used_, fp) != used_)
      quit(-1, "Error : could not write the ARPA model %s: %s\n", path, strerror(errno));
    used_ = 0;
  }

 private:
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

// The levels of a model as LevelWalk reads them, with each level's words
// at hand rather than asked of the model for every line.
class SourceLevels {
 public:
  explicit SourceLevels(const ModelSource &model) : model_(model), words_(model.order()) {
    for (int l = 1; l < model.order(); ++l) words_[l] = model.last_words(l);
  }
  uint64_t size(int l) const { return model_.entries(l); }
  wordid_t word(int l, uint64_t i) const {
    return l == 0 ? static_cast<wordid_t>(i) : words_[l][i];
  }
  uint64_t SuccessorsEnd(int l, uint64_t i) const { return model_.first_successor(l, i + 1); }

 private:
  const ModelSource &model_;
  std::vector<const wordid_t *> words_;  // per level k >= 1
};

// The lines of one level, "log10 probability<TAB>words[<TAB>log10 back-off
// weight]", for any range of its entries. The entries of a context follow
// each other, so a context's text ("\tw1 w2 ... wk ") is made once for all
// of them.
class LevelLines {
 public:
  LevelLines(const ModelSource &model, int k)
      : levels_(model),
        words_(model.words()),
        k_(k),
        probs_(model.log10_probs(k)),
        backoffs_(k + 1 < model.order() ? model.log10_backoffs(k) : nullptr) {}

  // The lines of the entries [begin, end) of the level.
  void Write(uint64_t begin, uint64_t end, TextBlock *out) {
    const uint64_t entries = levels_.size(k_);
    const uint64_t contexts = k_ > 0 ? levels_.size(k_ - 1) : 0;
    LevelWalk<SourceLevels> walk(levels_, k_, begin);
    uint64_t context = UINT64_MAX;
    context_ = "\t";
    for (uint64_t i = begin; i < end && walk.Next(); ++i) {
      if (k_ > 0 && walk.position(k_ - 1) != context) {
        context = walk.position(k_ - 1);
        // The last word of a context ahead, for its text.
        if (k_ > 1 && context + kAhead < contexts)
          words_.Prefetch(levels_.word(k_ - 1, context + kAhead));
        context_.resize(1);
        for (int l = 0; l < k_; ++l) {
          context_ += words_.word(walk.word(l));
          context_ += ' ';
        }
      }
      if (k_ > 0 && i + kAhead < entries) words_.Prefetch(levels_.word(k_, i + kAhead));
      const std::string_view word = words_.word(walk.word(k_));
      const size_t room = context_.size() + 2 * FloatText::kRoom + 2 +
                          std::max(word.size(), PackedWords::kReadable);
      char *line = out->Reserve(room);
      line = numbers_.Put(probs_[i], line);
      memcpy(line, context_.data(), context_.size());
      line = PutWord(word, line + context_.size());
      if (backoffs_ != nullptr) {
        *line++ = '\t';
        line = numbers_.Put(backoffs_[i], line);
      }
      *line++ = '\n';
      out->Commit(line);
    }
  }

 private:
  // A word fetched this many entries ahead has reached the cache by the
  // time its line is written.
  static constexpr uint64_t kAhead = 16;

  const SourceLevels levels_;
  const PackedWords &words_;
  const int k_;
  const float *probs_;
  const float *backoffs_;
  std::string context_;
  FloatText numbers_;
};

// A level is written in rounds of pieces of kPiece entries. The parts take
// a round's pieces in turn from a shared counter and make their text side
// by side, while the first part begins by writing the text of the round
// before (the rounds alternate between two sets of blocks): the file takes
// the lines in order, and taking pieces in turn keeps the parts equally
// busy around that write.
constexpr uint64_t kPiece = 4096;
constexpr int kPiecesPerPart = 8;  // in one round

void WriteLevel(const ModelSource &model, int k, FILE *fp, const char *path) {
  const uint64_t first = k == 0 && model.closed() ? 1 : 0;  // no unknown word
  const uint64_t entries = model.entries(k);
  if (first >= entries) return;
  const int parts = PartsFor(entries - first, kPiece * kPiecesPerPart);
  const size_t pieces = static_cast<size_t>(parts) * kPiecesPerPart;
  std::vector<LevelLines> lines(parts, LevelLines(model, k));
  std::vector<TextBlock> blocks[2] = {std::vector<TextBlock>(pieces),
                                      std::vector<TextBlock>(pieces)};
  int made = 0;
  for (uint64_t at = first; at < entries; at += kPiece * pieces, made ^= 1) {
    std::atomic<size_t> next{0};
    RunParts(parts, [&](int p) {
      if (p == 0)
        for (TextBlock &block : blocks[made ^ 1]) block.WriteTo(fp, path);
      for (size_t piece; (piece = next.fetch_add(1)) < pieces;) {
        const uint64_t begin = std::min(entries, at + kPiece * piece);
        lines[p].Write(begin, std::min(entries, begin + kPiece), &blocks[made][piece]);
      }
    });
  }
  for (TextBlock &block : blocks[made ^ 1]) block.WriteTo(fp, path);
}

}  // namespace

void WriteArpa(const ModelSource &model, FILE *fp, const char *path) {
  TextBlock out;
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
    out.WriteTo(fp, path);
    WriteLevel(model, k, fp, path);
  }
  out.Put("\n\\end\\\n");
  out.WriteTo(fp, path);
}

}  // namespace lexkit
