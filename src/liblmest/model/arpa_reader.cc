#include "liblmest/model/arpa_reader.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>

#include <charconv>
#include <cmath>
#include <string_view>

#include "libs/io/line_reader.h"
#include "libs/io/word_scan.h"
#include "liblmest/model/model_check.h"
#include "liblmest/model/model_layout.h"
#include "liblmest/model/trie_builder.h"

namespace lexkit {
namespace model {

using namespace model_file;

namespace {

constexpr char kUnknownWord[] = "<unk>";
constexpr size_t kMaxFields = kMaxOrder + 2;  // probability, words, weight

// The white-space-separated fields of a line: at most kMaxFields are kept,
// all are counted. The line is scanned 16 bytes at a time in a copy with
// room after it for the scan's reads; the fields point into that copy.
class Fields {
 public:
  std::string_view at[kMaxFields];
  size_t count = 0;

  void Split(std::string_view line) {
    copy_.resize(line.size() + kScanPadding);
    memcpy(copy_.data(), line.data(), line.size());
    const char *p = copy_.data();
    const char *end = p + line.size();
    count = 0;
    for (;;) {
      p = SkipSpace(p, end);
      if (p == end) return;
      const char *start = p;
      p = FindSpace(p, end);
      if (count < kMaxFields) at[count] = std::string_view(start, p - start);
      ++count;
    }
  }

 private:
  std::vector<char> copy_;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsCSpace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  while (!s.empty() && IsCSpace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  return s;
}

bool ParseFloat(std::string_view field, float *value) {
  const char *end = field.data() + field.size();
  const auto result = std::from_chars(field.data(), end, *value);
  return result.ec == std::errc() && result.ptr == end && !std::isnan(*value);
}

bool ParseCount(std::string_view field, uint64_t *value) {
  const char *end = field.data() + field.size();
  const auto result = std::from_chars(field.data(), end, *value);
  return result.ec == std::errc() && result.ptr == end;
}

std::string Num(uint64_t v) { return std::to_string(v); }

// The words of a run of n-gram lines, waiting to be looked up together
// (WordTable::FindBatch) for their ids, which go to their places in `ids`.
// Consecutive lines mostly share their first words (a sorted section lists
// the n-grams of a context together): a word equal to the one at its place
// in the line before takes that word's id without a lookup.
class WordBatch {
 public:
  explicit WordBatch(std::vector<uint32_t> *ids) : ids_(ids) {}

  bool full() const { return lookups_.size() >= kLookups; }
  size_t first_ngram() const { return first_ngram_; }

  // Appends one line's n words (copied: the line's text does not last).
  void AddLine(const std::string_view *words, uint32_t n, uint64_t line) {
    for (uint32_t w = 0; w < n; ++w) {
      const size_t at = ids_->size();
      ids_->push_back(WordTable::kAbsent);
      if (has_previous_ && words[w] == previous_[w]) {
        copies_.push_back({at, previous_at_[w]});
      } else {
        lookups_.push_back({at, line, text_.size(), words[w].size()});
        text_.append(words[w]);
        previous_[w].assign(words[w]);
      }
      previous_at_[w] = at;
    }
    has_previous_ = true;
  }

  // Fills in the ids; false with the first unknown word and its line.
  bool Resolve(const WordTable &table, uint64_t *line, std::string *word) {
    std::vector<std::string_view> views;
    views.reserve(lookups_.size());
    for (const Lookup &l : lookups_) views.emplace_back(text_.data() + l.start, l.length);
    found_.resize(lookups_.size());
    table.FindBatch(views.data(), views.size(), found_.data());
    for (size_t i = 0; i < lookups_.size(); ++i) {
      if (found_[i] == WordTable::kAbsent) {
        *line = lookups_[i].line;
        *word = std::string(views[i]);
        return false;
      }
      (*ids_)[lookups_[i].at] = found_[i];
    }
    for (const Copy &c : copies_) (*ids_)[c.at] = (*ids_)[c.from];  // in order
    return true;
  }

  // Starts the next batch at the n-gram `next_ngram`.
  void Clear(size_t next_ngram) {
    lookups_.clear();
    copies_.clear();
    text_.clear();
    first_ngram_ = next_ngram;
  }

 private:
  static constexpr size_t kLookups = 256;
  struct Lookup {
    size_t at;  // in ids
    uint64_t line;
    size_t start, length;  // in text_
  };
  struct Copy {
    size_t at, from;  // in ids
  };

  std::vector<uint32_t> *ids_;
  std::vector<Lookup> lookups_;
  std::vector<Copy> copies_;
  std::string text_;
  std::vector<uint32_t> found_;
  size_t first_ngram_ = 0;
  bool has_previous_ = false;
  std::string previous_[kMaxOrder];
  size_t previous_at_[kMaxOrder] = {};
};

class ArpaParser {
 public:
  ArpaParser(FILE *fp, uint64_t size) : lines_(fp, 1 << 20), size_(size) {}

  std::unique_ptr<Model> Parse(std::string *error);

 private:
  bool Fail(const std::string &message) {
    error_ = message;
    return false;
  }
  bool FailAtLine(const std::string &message) {
    return Fail("line " + Num(line_number_) + ": " + message);
  }
  // The next line that is not blank, trimmed; false at the end.
  bool NextLine(std::string_view *line);
  bool ReadCounts();
  bool ReadSectionHeader(uint32_t n);
  bool ReadUnigrams();
  bool ReadLevel(uint32_t n, ReadNgrams *g);
  // Gives the n-grams of the batch their ids and notes whether they ascend.
  bool ResolveBatch(WordBatch *batch, ReadNgrams *g);
  // The fields of an n-gram line, checked for their number and numbers.
  bool ParseNgramLine(std::string_view line, uint32_t n, float *prob, float *bow);
  std::unique_ptr<Model> Finish();

  LineReader lines_;
  uint64_t size_;
  uint64_t line_number_ = 0;
  std::string_view pending_;  // a section header that ended the section before
  bool has_pending_ = false;
  std::string error_;
  uint32_t order_ = 0;
  uint64_t declared_[kMaxOrder] = {};
  std::shared_ptr<ModelArrays> arrays_ = std::make_shared<ModelArrays>();
  uint32_t vocab_size_ = 0;
  bool closed_ = true;
  WordTable words_;
  Fields fields_;
};

bool ArpaParser::NextLine(std::string_view *line) {
  if (has_pending_) {
    has_pending_ = false;
    *line = pending_;
    return true;
  }
  std::string_view raw;
  while (lines_.Next(&raw)) {
    ++line_number_;
    *line = Trim(raw.substr(0, raw.find('\0')));  // as a C string would end
    if (!line->empty()) return true;
  }
  *line = std::string_view();
  return false;
}

bool ArpaParser::ReadCounts() {
  std::string_view line;
  do {
    if (!NextLine(&line))
      return Fail(lines_.failed() ? std::string("cannot read: ") + strerror(errno)
                                  : "no \\data\\ line: not an ARPA model");
  } while (line != "\\data\\");
  while (NextLine(&line) && line.front() != '\\') {
    uint64_t n = 0, count = 0;
    const size_t eq = line.find('=');
    if (line.substr(0, 5) != "ngram" || eq == std::string_view::npos ||
        !ParseCount(Trim(line.substr(5, eq - 5)), &n) ||
        !ParseCount(Trim(line.substr(eq + 1)), &count))
      return FailAtLine("expected 'ngram <order>=<count>' in \\data\\, found '" +
                        std::string(line) + "'");
    if (n < 1 || n > kMaxOrder)
      return FailAtLine("order " + Num(n) + " is outside 1.." + Num(kMaxOrder));
    if (n != order_ + 1)
      return FailAtLine("\\data\\ gives order " + Num(n) + " after order " + Num(order_));
    // Each line takes at least 2 bytes per field, so a count the file
    // cannot hold is refused before anything is allocated for it.
    if (count >= UINT32_MAX || (size_ > 0 && count > size_ / (2 * n + 2)))
      return FailAtLine("the count of " + Num(n) + "-grams, " + Num(count) +
                        ", is more than the file can hold");
    declared_[order_++] = count;
  }
  if (order_ == 0) return Fail("\\data\\ declares no n-grams");
  pending_ = line;
  has_pending_ = !line.empty() && line.front() == '\\';
  return true;
}

bool ArpaParser::ReadSectionHeader(uint32_t n) {
  const std::string expected = "\\" + Num(n) + "-grams:";
  std::string_view line;
  if (!NextLine(&line)) return Fail("the file ends before the " + expected + " section");
  if (line != expected)
    return FailAtLine("expected " + expected + ", found '" + std::string(line) + "'");
  return true;
}

bool ArpaParser::ParseNgramLine(std::string_view line, uint32_t n, float *prob, float *bow) {
  fields_.Split(line);
  const bool top = n == order_;
  if (fields_.count < n + 1 || fields_.count > n + (top ? 1 : 2))
    return FailAtLine("a " + Num(n) + "-gram line has " +
                      (top ? Num(n + 1) : Num(n + 1) + " or " + Num(n + 2)) +
                      " fields, this one " + Num(fields_.count));
  if (!ParseFloat(fields_.at[0], prob))
    return FailAtLine("'" + std::string(fields_.at[0]) + "' is not a number");
  *bow = 0;
  if (fields_.count == n + 2 && !ParseFloat(fields_.at[n + 1], bow))
    return FailAtLine("'" + std::string(fields_.at[n + 1]) + "' is not a number");
  return true;
}

bool ArpaParser::ReadUnigrams() {
  if (!ReadSectionHeader(1)) return false;
  const uint64_t declared = declared_[0];
  ModelArrays &a = *arrays_;
  ModelArrays::Level &level = a.levels[0];
  level.probs.assign(1, kLog10Zero);  // <unk> until it is listed
  level.bows.assign(1, 0.0f);
  level.probs.reserve(declared + 1);
  level.bows.reserve(declared + 1);
  a.vocab_offsets.reserve(declared + 2);
  a.vocab_text.assign(kUnknownWord, kUnknownWord + sizeof kUnknownWord);
  a.vocab_offsets = {0, sizeof kUnknownWord};
  uint64_t seen = 0;
  std::string_view line;
  while (NextLine(&line)) {
    if (line.front() == '\\') break;
    if (++seen > declared)
      return FailAtLine("more 1-grams than the " + Num(declared) + " of \\data\\");
    float prob, bow;
    if (!ParseNgramLine(line, 1, &prob, &bow)) return false;
    const std::string_view word = fields_.at[1];
    // A word listed again is an id of its own that lookups never give
    // (word_table.h); so is <unk> listed again.
    if (word == kUnknownWord && closed_) {
      closed_ = false;
      level.probs[0] = prob;
      level.bows[0] = bow;
      continue;
    }
    a.vocab_text.insert(a.vocab_text.end(), word.begin(), word.end());
    a.vocab_text.push_back('\0');
    a.vocab_offsets.push_back(a.vocab_text.size());
    level.probs.push_back(prob);
    level.bows.push_back(bow);
  }
  if (!error_.empty()) return false;
  if (seen != declared)
    return Fail("\\data\\ declares " + Num(declared) + " 1-grams, the section holds " +
                Num(seen));
  if (order_ == 1) level.bows.clear();  // the top level has no weights
  vocab_size_ = static_cast<uint32_t>(level.probs.size() - 1);
  // Built as the model's own: a lookup of <unk> finds id 0 in an open model.
  words_.Build(a.vocab_text.data(), a.vocab_offsets.data(), closed_ ? 1 : 0, vocab_size_);
  pending_ = line;
  has_pending_ = !line.empty() && line.front() == '\\';
  return true;
}

bool ArpaParser::ReadLevel(uint32_t n, ReadNgrams *g) {
  if (!ReadSectionHeader(n)) return false;
  const uint64_t declared = declared_[n - 1];
  g->n = n;
  g->ids.reserve(declared * n);
  g->probs.reserve(declared);
  if (n < order_) g->bows.reserve(declared);
  WordBatch batch(&g->ids);
  uint64_t seen = 0;
  std::string_view line;
  while (NextLine(&line)) {
    if (line.front() == '\\') break;
    if (++seen > declared)
      return FailAtLine("more " + Num(n) + "-grams than the " + Num(declared) +
                        " of \\data\\");
    float prob, bow;
    if (!ParseNgramLine(line, n, &prob, &bow)) return false;
    batch.AddLine(fields_.at + 1, n, line_number_);
    g->probs.push_back(prob);
    if (n < order_) g->bows.push_back(bow);
    if (batch.full() && !ResolveBatch(&batch, g)) return false;
  }
  if (!error_.empty() || !ResolveBatch(&batch, g)) return false;
  if (seen != declared)
    return Fail("\\data\\ declares " + Num(declared) + " " + Num(n) +
                "-grams, the section holds " + Num(seen));
  pending_ = line;
  has_pending_ = !line.empty() && line.front() == '\\';
  return true;
}

bool ArpaParser::ResolveBatch(WordBatch *batch, ReadNgrams *g) {
  uint64_t line = 0;
  std::string word;
  if (!batch->Resolve(words_, &line, &word)) {
    line_number_ = line;
    return FailAtLine("the word '" + word + "' is not among the 1-grams");
  }
  // Whether the section ascends, through the n-grams just given their ids.
  const uint32_t n = g->n;
  const uint32_t *ids = g->ids.data();
  for (size_t i = std::max<size_t>(batch->first_ngram(), 1); i < g->probs.size(); ++i)
    if (!std::lexicographical_compare(ids + (i - 1) * n, ids + i * n, ids + i * n,
                                      ids + (i + 1) * n))
      g->ascending = false;
  batch->Clear(g->probs.size());
  return true;
}

std::unique_ptr<Model> ArpaParser::Finish() {
  ModelArrays &a = *arrays_;
  uint64_t counts[kMaxOrder] = {};
  counts[0] = uint64_t{vocab_size_} + 1;
  for (uint32_t k = 1; k < order_; ++k) counts[k] = declared_[k];
  ModelFileHeader header;
  if (!MakeHeader(order_, vocab_size_, counts, a.vocab_text.size(), 0,
                  closed_ ? kFlagClosedVocabulary : 0, &header)) {
    error_ = "the model is too large for the binary layout";
    return nullptr;
  }
  const void *sections[kNumSections] = {};
  sections[kVocabText] = a.vocab_text.data();
  sections[kVocabOffsets] = a.vocab_offsets.data();
  for (uint32_t k = 0; k < order_; ++k) {
    const void **level = sections + kFirstLevelSection + k * kSectionsPerLevel;
    const ModelArrays::Level &l = a.levels[k];
    if (!l.words.empty()) level[kLevelWords] = l.words.data();
    if (!l.probs.empty()) level[kLevelProbs] = l.probs.data();
    if (!l.bows.empty()) level[kLevelBows] = l.bows.data();
    if (!l.next.empty()) level[kLevelNext] = l.next.data();
  }
  // The reader's own arrays pass the binary loader's checks too; a fault
  // here becomes a message rather than a scorer reading out of bounds.
  error_ = CheckSections(header, sections);
  if (!error_.empty()) return nullptr;
  return Model::Create(header, sections, arrays_, &words_);
}

std::unique_ptr<Model> ArpaParser::Parse(std::string *error) {
  bool ok = ReadCounts() && ReadUnigrams();
  TrieBuilder trie(arrays_.get(), vocab_size_);
  for (uint32_t n = 2; ok && n <= order_; ++n) {
    ReadNgrams g;
    ok = ReadLevel(n, &g);
    if (ok) {
      error_ = trie.AddLevel(std::move(g));
      ok = error_.empty();
    }
  }
  std::string_view line;
  if (ok && (!NextLine(&line) || line != "\\end\\"))
    ok = line.empty() ? Fail("the file ends without its \\end\\ line")
                      : FailAtLine("expected \\end\\, found '" + std::string(line) + "'");
  if (ok && lines_.failed()) ok = Fail(std::string("cannot read: ") + strerror(errno));
  std::unique_ptr<Model> model = ok ? Finish() : nullptr;
  if (model == nullptr) *error = error_;
  return model;
}

}  // namespace

std::unique_ptr<Model> ReadArpa(FILE *fp, uint64_t size, std::string *error) {
  return ArpaParser(fp, size).Parse(error);
}

std::unique_ptr<Model> ReadArpa(const char *path, std::string *error) {
  FILE *fp = fopen(path, "rb");
  if (fp == nullptr) {
    *error = std::string("cannot open: ") + strerror(errno);
    return nullptr;
  }
  struct stat st;
  std::unique_ptr<Model> model;
  if (fstat(fileno(fp), &st) != 0) {
    *error = std::string("cannot open: ") + strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    *error = "is a directory";
  } else if (S_ISREG(st.st_mode) && st.st_size == 0) {
    *error = "is empty";
  } else {
    model = ReadArpa(fp, S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0, error);
  }
  fclose(fp);
  return model;
}

}  // namespace model
}  // namespace lexkit
