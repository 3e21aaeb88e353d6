// Merge of sorted word n-gram text files ("w1 ... wn count" per line) into
// one sorted stream, summing the counts of an n-gram found in several
// files, by the k-way merge of kway_merge.h: n-gram texts compare as bytes,
// and a run of more than `max_files` files is merged in groups into
// intermediate files, which are merged in turn. Every run is announced at
// verbosity 2, every staged run on stderr whatever the verbosity.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "lexkit/pc_general.h"
#include "libs/io/block_input.h"
#include "libs/io/word_scan.h"
#include "libs/ngrams/kway_merge.h"
#include "libs/ngrams/merged_output.h"
#include "libs/base/out_of_memory.h"
#include "libs/ngrams/ngram_stages.h"
#include "libs/ngrams/temp_name.h"

namespace lexkit {

namespace {

constexpr size_t kNameBuffer = 300;      // names are composed in 300 bytes
constexpr size_t kMaxWordLength = 499;   // words are read into 500 bytes
constexpr size_t kMaxNgramLength = 999;  // n-gram texts are kept in 1000

// Reads the records of one input through a large buffer.
class RecordReader : public BlockInput {
 public:
  RecordReader(FILE *fp, const std::string &name, int n)
      : BlockInput(fp, 1 << 18), name_(name), n_(n) {}

  // Reads the next record into `text` and `count`; false when only white
  // space is left. A record cut short, a count that is not a decimal
  // number, an overlong word or text and a read error end the process.
  bool Next(std::string *text, int32_t *count, bool first_record) {
    text->clear();
    for (int i = 0; i < n_; ++i) {
      if (!SkipSpace()) {
        if (i == 0) return false;
        Fail("Error reading temp file %s\n");
      }
      if (i > 0) text->push_back(' ');
      AppendWord(text);
    }
    if (!ReadCount(count))
      Fail(first_record ? "Error reading temp file %s\n"
                        : "Error reading temp file count %s\n");
    return true;
  }

 private:
  [[noreturn]] void Fail(const char *format) { quit(-1, format, name_.c_str()); }

  bool Refill() {
    if (BlockInput::Refill()) return true;
    if (failed()) Fail("Error reading temp file %s\n");
    return false;
  }

  bool SkipSpace() {
    for (;;) {
      while (pos_ != end_ && IsCSpace(static_cast<unsigned char>(*pos_))) ++pos_;
      if (pos_ != end_) return true;
      if (!Refill()) return false;
    }
  }

  // Appends the word that starts at the current byte. Like a C string, the
  // word ends at a NUL byte it may hold.
  void AppendWord(std::string *text) {
    size_t length = 0;
    bool cut = false;
    do {
      const char *start = pos_;
      while (pos_ != end_ && !IsCSpace(static_cast<unsigned char>(*pos_))) ++pos_;
      size_t piece = static_cast<size_t>(pos_ - start);
      if (length + piece > kMaxWordLength)
        quit(-1, "merge_tempfiles: temp file %s holds a word longer than %zu bytes\n",
             name_.c_str(), kMaxWordLength);
      if (!cut) {
        const char *nul = static_cast<const char *>(memchr(start, '\0', piece));
        size_t keep = nul ? static_cast<size_t>(nul - start) : piece;
        text->append(start, keep);
        cut = nul != nullptr;
      }
      length += piece;
    } while (pos_ == end_ && Refill());
    if (text->size() > kMaxNgramLength)
      quit(-1, "merge_tempfiles: temp file %s holds an n-gram longer than %zu bytes\n",
           name_.c_str(), kMaxNgramLength);
  }

  // A count as "%d" reads it: an optional sign and decimal digits.
  bool ReadCount(int32_t *count) {
    if (!SkipSpace()) return false;
    bool negative = *pos_ == '-';
    if (*pos_ == '+' || *pos_ == '-') ++pos_;
    int64_t value = 0;
    bool any_digit = false;
    while ((pos_ != end_ || Refill()) && *pos_ >= '0' && *pos_ <= '9') {
      any_digit = true;
      // Past the 32-bit range the value only needs to stay out of it.
      if (value <= std::numeric_limits<int32_t>::max())
        value = value * 10 + (*pos_ - '0');
      ++pos_;
    }
    if (negative) value = -value;
    if (!any_digit || value > std::numeric_limits<int32_t>::max() ||
        value < std::numeric_limits<int32_t>::min())
      return false;
    *count = static_cast<int32_t>(value);
    return true;
  }

  std::string name_;
  int n_;
};

// Where merged records go: the caller's stream or an intermediate file,
// one "%s %d\n" line per record.
class TextSink {
 public:
  explicit TextSink(FILE *fp) : output_(fp) {}

  void Put(const std::string &text, int32_t count) {
    char *out = output_.Reserve(text.size() + kCountRoom);
    out = std::copy(text.begin(), text.end(), out);
    *out++ = ' ';
    out = std::to_chars(out, out + 11, count).ptr;
    *out++ = '\n';
    output_.Commit(out);
  }
  void Finish() { output_.Finish(); }

 private:
  static constexpr size_t kCountRoom = 13;  // " -2147483648\n"

  MergedTextOutput output_;
};

// The records of the text files, for the k-way merge.
class TextFormat {
 public:
  using Key = std::string;
  using Reader = RecordReader;
  using Stage = TextSink;

  TextFormat(int n, unsigned short verbosity) : n_(n), verbosity_(verbosity) {}

  std::unique_ptr<Reader> Open(FILE *fp, const std::string &name) const {
    return std::make_unique<RecordReader>(fp, name, n_);
  }
  Key NewKey() const { return Key(); }
  bool Read(Reader &reader, Key *text, int32_t *count, bool first) const {
    return reader.Next(text, count, first);
  }
  int Compare(const Key &a, const Key &b) const { return a.compare(b); }
  [[noreturn]] void CountOverflow(int64_t total, const Key &text) const {
    quit(-1,
         "merge_tempfiles: the count %lld of '%s' does not fit in 32 bits.\n"
         "Aborting, but keeping temporary files.\n",
         static_cast<long long>(total), text.c_str());
  }
  Stage OpenStage(FILE *fp) const { return TextSink(fp); }

  void RunStarts(int64_t first, int64_t last) const {
    pc_message(verbosity_, 2, "Merging temp files %d through %d...\n",
               static_cast<int>(first), static_cast<int>(last));
  }
  void RunStaged(int64_t first, int64_t last, int64_t groups) const {
    fprintf(stderr, "%d files to do, in %d groups\n", static_cast<int>(last - first),
            static_cast<int>(groups));
  }

 private:
  int n_;
  unsigned short verbosity_;
};

}  // namespace

void MergeTextNgramFiles(int start_file, int end_file, const char *temp_file_root,
                         const char *temp_file_ext, int max_files, FILE *outfile,
                         int n, int verbosity) {
  if (n < 1) quit(-1, "merge_tempfiles: the n-gram length must be at least 1, not %d\n", n);
  const MergePlan plan{
      "merge_tempfiles",
      TempNames(temp_file_root, temp_file_ext, "merge_tempfiles", "file name", kNameBuffer),
      max_files, Rounds::kEveryGroup};
  QuitOnBadAlloc([&] {
    TextSink output(outfile);
    KWayMerge(TextFormat(n, static_cast<unsigned short>(verbosity)), plan, start_file,
              end_file, output);
  }, [] { quit(-1, "merge_tempfiles: out of memory\n"); });
}

}  // namespace lexkit
