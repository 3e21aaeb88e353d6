#include "liblmest/model/arpa_writer.h"

#include <errno.h>
#include <string.h>

#include <charconv>
#include <string>

namespace lexkit {
namespace {

// Lines gather in one buffer that goes to the stream in large writes.
class TextOut {
 public:
  TextOut(FILE *fp, const char *path) : fp_(fp), path_(path) {
    text_.reserve(kFlushAt + 4096);
  }

  void Put(const char *s) { text_ += s; }
  void Put(char c) { text_ += c; }
  void Put(uint64_t v) { PutChars(v); }
  void Put(float v) { PutChars(v); }
  // Called after each line.
  void LineDone() {
    if (text_.size() >= kFlushAt) Flush();
  }
  void Flush() {
    if (!text_.empty() && fwrite_unlocked(text_.data(), 1, text_.size(), fp_) != text_.size())
      quit(-1, "Error : could not write the ARPA model %s: %s\n", path_, strerror(errno));
    text_.clear();
  }

 private:
  static constexpr size_t kFlushAt = 1 << 20;

  template <typename T>
  void PutChars(T v) {
    char digits[32];
    const auto done = std::to_chars(digits, digits + sizeof digits, v);
    text_.append(digits, done.ptr);
  }

  FILE *fp_;
  const char *path_;
  std::string text_;
};

}  // namespace

void WriteArpa(const ModelSource &model, FILE *fp, const char *path) {
  TextOut out(fp, path);
  const int n = model.order();
  // The unknown word of a closed model is not in it.
  const uint64_t skipped = model.closed() ? 1 : 0;
  out.Put("\n\\data\\\n");
  for (int k = 0; k < n; ++k) {
    out.Put("ngram ");
    out.Put(static_cast<uint64_t>(k + 1));
    out.Put('=');
    out.Put(model.entries(k) - (k == 0 ? skipped : 0));
    out.Put('\n');
  }
  for (int k = 0; k < n; ++k) {
    out.Put("\n\\");
    out.Put(static_cast<uint64_t>(k + 1));
    out.Put("-grams:\n");
    const bool weights = k + 1 < n;
    model.VisitLevel(k, [&](uint64_t i, const wordid_t *words, float log10_prob) {
      if (k == 0 && i < skipped) return;
      out.Put(log10_prob);
      for (int l = 0; l <= k; ++l) {
        out.Put(l == 0 ? '\t' : ' ');
        out.Put(model.word(words[l]));
      }
      if (weights) {
        out.Put('\t');
        out.Put(model.log10_backoff(k, i));
      }
      out.Put('\n');
      out.LineDone();
    });
  }
  out.Put("\n\\end\\\n");
  out.Flush();
}

}  // namespace lexkit
