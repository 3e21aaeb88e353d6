// Merge of sorted word n-gram text files ("w1 ... wn count" per line) into
// one sorted stream, summing the counts of an n-gram found in several
// files. A run of more than `max_files` files is merged in groups into
// intermediate files, which are merged in turn.
//
// The smallest current n-gram comes from a binary heap; all inputs whose
// current n-gram text equals it contribute one record each.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "lexkit/pc_general.h"
#include "libs/base/out_of_memory.h"
#include "libs/io/word_reader.h"
#include "libs/ngrams/ngram_stages.h"

namespace lexkit {

namespace {

constexpr size_t kMaxNameLength = 299;   // names are composed in 300 bytes
constexpr size_t kMaxWordLength = 499;   // words are read into 500 bytes
constexpr size_t kMaxNgramLength = 999;  // n-gram texts are kept in 1000
constexpr int64_t kNamesPerCycle = 65536;

const char kWriteError[] =
    "Write error encountered while attempting to merge temporary files.\n"
    "Aborting, but keeping temporary files.\n";

struct MergeSettings {
  const char *root;
  const char *ext;
  int max_files;
  int n;
  unsigned short verbosity;
};

std::string FileName(const MergeSettings &s, int64_t number) {
  std::string name = std::string(s.root) + "/" +
                     std::to_string(static_cast<unsigned short>(number)) + s.ext;
  if (name.size() > kMaxNameLength)
    quit(-1, "merge_tempfiles: the file name '%s' is longer than %zu characters\n",
         name.c_str(), kMaxNameLength);
  return name;
}

// Reads the records of one input through a large buffer.
class RecordReader {
 public:
  RecordReader(FILE *fp, const std::string &name, int n)
      : fp_(fp), name_(name), n_(n), block_(1 << 18) {}

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
    pos_ = end_ = 0;
    size_t got = fread_unlocked(block_.data(), 1, block_.size(), fp_);
    if (got == 0 && ferror(fp_)) Fail("Error reading temp file %s\n");
    end_ = got;
    return got != 0;
  }

  bool SkipSpace() {
    for (;;) {
      while (pos_ != end_ && IsCSpace(static_cast<unsigned char>(block_[pos_]))) ++pos_;
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
      size_t start = pos_;
      while (pos_ != end_ && !IsCSpace(static_cast<unsigned char>(block_[pos_]))) ++pos_;
      size_t piece = pos_ - start;
      if (length + piece > kMaxWordLength)
        quit(-1, "merge_tempfiles: temp file %s holds a word longer than %zu bytes\n",
             name_.c_str(), kMaxWordLength);
      if (!cut) {
        const char *bytes = block_.data() + start;
        const char *nul = static_cast<const char *>(memchr(bytes, '\0', piece));
        size_t keep = nul ? static_cast<size_t>(nul - bytes) : piece;
        text->append(bytes, keep);
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
    bool negative = block_[pos_] == '-';
    if (block_[pos_] == '+' || block_[pos_] == '-') ++pos_;
    int64_t value = 0;
    bool any_digit = false;
    while ((pos_ != end_ || Refill()) && block_[pos_] >= '0' && block_[pos_] <= '9') {
      any_digit = true;
      // Past the 32-bit range the value only needs to stay out of it.
      if (value <= std::numeric_limits<int32_t>::max())
        value = value * 10 + (block_[pos_] - '0');
      ++pos_;
    }
    if (negative) value = -value;
    if (!any_digit || value > std::numeric_limits<int32_t>::max() ||
        value < std::numeric_limits<int32_t>::min())
      return false;
    *count = static_cast<int32_t>(value);
    return true;
  }

  FILE *fp_;
  std::string name_;
  int n_;
  std::vector<char> block_;
  size_t pos_ = 0;
  size_t end_ = 0;
};

// Where merged records go: the caller's stream, or an intermediate file
// that is closed before the inputs written into it are deleted.
class TextSink {
 public:
  TextSink(FILE *fp, bool close_when_done) : fp_(fp), close_(close_when_done) {}

  void Put(const std::string &text, int32_t count) {  // "%s %d\n"
    if (buffer_.size() + text.size() + 16 > kBlock) Flush();
    buffer_ += text;
    char digits[16];
    char *end = std::to_chars(digits, digits + sizeof digits, count).ptr;
    buffer_.push_back(' ');
    buffer_.append(digits, end);
    buffer_.push_back('\n');
  }

  void Finish() {
    Flush();
    if (fflush(fp_) != 0) quit(-1, "%s", kWriteError);
    if (close_) ox_oclose(fp_);
  }

 private:
  static constexpr size_t kBlock = 1 << 20;

  void Flush() {
    if (!buffer_.empty() &&
        fwrite_unlocked(buffer_.data(), 1, buffer_.size(), fp_) < buffer_.size())
      quit(-1, "%s", kWriteError);
    buffer_.clear();
  }

  FILE *fp_;
  bool close_;
  std::string buffer_;
};

struct Input {
  std::string name;
  FILE *fp = nullptr;
  std::unique_ptr<RecordReader> reader;
  std::string text;
  int32_t count = 0;
};

void MergeDirect(int64_t first, int64_t last, const MergeSettings &s, TextSink &sink) {
  std::vector<Input> inputs(static_cast<size_t>(std::max<int64_t>(0, last - first + 1)));
  for (size_t i = 0; i < inputs.size(); ++i) {
    inputs[i].name = FileName(s, first + static_cast<int64_t>(i));
    inputs[i].fp = ox_iopen(inputs[i].name.c_str());
  }
  std::vector<size_t> heap;
  for (size_t i = 0; i < inputs.size(); ++i) {
    Input &in = inputs[i];
    in.reader = std::make_unique<RecordReader>(in.fp, in.name, s.n);
    if (in.reader->Next(&in.text, &in.count, true)) heap.push_back(i);
  }
  auto later = [&inputs](size_t a, size_t b) {
    int c = inputs[a].text.compare(inputs[b].text);
    return c != 0 ? c > 0 : a > b;
  };
  std::make_heap(heap.begin(), heap.end(), later);

  std::string smallest;
  std::vector<size_t> group;
  while (!heap.empty()) {
    smallest = inputs[heap.front()].text;
    group.clear();
    while (!heap.empty() && inputs[heap.front()].text == smallest) {
      std::pop_heap(heap.begin(), heap.end(), later);
      group.push_back(heap.back());
      heap.pop_back();
    }
    std::sort(group.begin(), group.end());  // advance in number order
    int64_t total = 0;
    for (size_t i : group) {
      Input &in = inputs[i];
      total += in.count;
      if (in.reader->Next(&in.text, &in.count, false)) {
        heap.push_back(i);
        std::push_heap(heap.begin(), heap.end(), later);
      }
    }
    if (total > std::numeric_limits<int32_t>::max() ||
        total < std::numeric_limits<int32_t>::min())
      quit(-1,
           "merge_tempfiles: the count %lld of '%s' does not fit in 32 bits.\n"
           "Aborting, but keeping temporary files.\n",
           static_cast<long long>(total), smallest.c_str());
    sink.Put(smallest, static_cast<int32_t>(total));
  }
  sink.Finish();

  // All inputs are closed (a failed decompression ends the process) before
  // any is deleted.
  for (Input &in : inputs) {
    in.reader.reset();
    ox_iclose(in.fp);
  }
  for (const Input &in : inputs) remove(in.name.c_str());
}

void Merge(int64_t start, int64_t end, const MergeSettings &s, TextSink &sink) {
  pc_message(s.verbosity, 2, "Merging temp files %d through %d...\n",
             static_cast<int>(start), static_cast<int>(end));
  if (end - start < s.max_files) {
    MergeDirect(start, end, s, sink);
    return;
  }
  if (s.max_files < 2)
    quit(-1, "merge_tempfiles: %lld files cannot be merged %d at a time\n",
         static_cast<long long>(end - start + 1), s.max_files);
  const int64_t groups = (end - start) / s.max_files + 1;
  fprintf(stderr, "%d files to do, in %d groups\n", static_cast<int>(end - start),
          static_cast<int>(groups));
  // The intermediate files must not take the names of files still to be
  // merged (numbers repeat every 65536).
  if (end + 1 - start >= kNamesPerCycle ||
      end + groups > std::numeric_limits<int>::max())
    quit(-1, "merge_tempfiles: no free numbers for intermediate files after file %d\n",
         static_cast<int>(end));
  for (int64_t k = 0; k < groups; ++k) {
    const int64_t first = start + k * s.max_files;
    const int64_t last = std::min(first + s.max_files - 1, end);
    FILE *fp = ox_oopen(FileName(s, end + 1 + k).c_str());
    TextSink intermediate(fp, true);
    Merge(first, last, s, intermediate);
  }
  Merge(end + 1, end + groups, s, sink);
}

}  // namespace

void MergeTextNgramFiles(int start_file, int end_file, const char *temp_file_root,
                         const char *temp_file_ext, int max_files, FILE *outfile,
                         int n, int verbosity) {
  if (n < 1) quit(-1, "merge_tempfiles: the n-gram length must be at least 1, not %d\n", n);
  const MergeSettings settings{temp_file_root, temp_file_ext, max_files, n,
                               static_cast<unsigned short>(verbosity)};
  QuitOnBadAlloc([&] {
    TextSink output(outfile, false);
    Merge(start_file, end_file, settings, output);
  }, [] { quit(-1, "merge_tempfiles: out of memory\n"); });
}

}  // namespace lexkit
