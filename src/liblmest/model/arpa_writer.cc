#include "liblmest/model/arpa_writer.h"

#include <errno.h>
#include <string.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

namespace lexkit {
namespace {

// Lines gather in one buffer that goes to the stream in large writes. Each
// piece makes room for itself first, so a line of any length fits.
class TextOut {
 public:
  TextOut(FILE *fp, const char *path) : fp_(fp), path_(path), text_(kBlock) {}

  void Put(std::string_view s) {
    Room(s.size());
    memcpy(text_.data() + used_, s.data(), s.size());
    used_ += s.size();
  }
  void Put(char c) {
    Room(1);
    text_[used_++] = c;
  }
  // Numbers in their shortest form that reads back as the same value.
  template <typename T>
  void PutNumber(T v) {
    Room(kNumberRoom);
    used_ = static_cast<size_t>(
        std::to_chars(text_.data() + used_, text_.data() + text_.size(), v).ptr - text_.data());
  }
  void Flush() {
    if (used_ > 0 && fwrite_unlocked(text_.data(), 1, used_, fp_) != used_)
      quit(-1, "Error : could not write the ARPA model %s: %s\n", path_, strerror(errno));
    used_ = 0;
  }

 private:
  static constexpr size_t kBlock = 1 << 20;
  static constexpr size_t kNumberRoom = 32;  // a float or a 64-bit integer

  void Room(size_t bytes) {
    if (text_.size() - used_ >= bytes) return;
    Flush();
    if (text_.size() < bytes) text_.resize(bytes);
  }

  FILE *fp_;
  const char *path_;
  std::vector<char> text_;
  size_t used_ = 0;
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
    out.PutNumber(k + 1);
    out.Put('=');
    out.PutNumber(model.entries(k) - (k == 0 ? skipped : 0));
    out.Put('\n');
  }
  for (int k = 0; k < n; ++k) {
    out.Put("\n\\");
    out.PutNumber(k + 1);
    out.Put("-grams:\n");
    const bool weights = k + 1 < n;
    // The entries of one context follow one another, so the text of the
    // context ("\tw1 w2 ... ") is made once for all of them.
    std::string context;
    std::vector<wordid_t> context_words;
    model.VisitLevel(k, [&](uint64_t i, const wordid_t *words, float log10_prob) {
      if (k == 0 && i < skipped) return;
      if (context.empty() || !std::equal(words, words + k, context_words.begin())) {
        context_words.assign(words, words + k);
        context = "\t";
        for (int l = 0; l < k; ++l) (context += model.word(words[l])) += ' ';
      }
      out.PutNumber(log10_prob);
      out.Put(context);
      out.Put(model.word(words[k]));
      if (weights) {
        out.Put('\t');
        out.PutNumber(model.log10_backoff(k, i));
      }
      out.Put('\n');
    });
  }
  out.Put("\n\\end\\\n");
  out.Flush();
}

}  // namespace lexkit
