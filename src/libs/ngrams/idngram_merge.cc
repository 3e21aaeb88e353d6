// Merge of sorted temporary id n-gram files into one id n-gram file, binary
// or ASCII, with the frequency-of-frequency statistics of orders 2 to n
// (printed, or added to a caller's tally), by
// the k-way merge of kway_merge.h: n-grams compare id by id as unsigned
// numbers, and more than `max_files` inputs are merged in stages, the first
// `max_files` inputs into an intermediate file (in the temporary file
// format) numbered after the last input, which joins the end of the run,
// until the rest fits one merge.
#include <stdio.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include "libs/base/out_of_memory.h"
#include "libs/io/idngram_records.h"
#include "libs/ngrams/fof_stats.h"
#include "libs/ngrams/kway_merge.h"
#include "libs/ngrams/merged_output.h"
#include "libs/ngrams/ngram_stages.h"
#include "libs/ngrams/temp_name.h"

namespace lexkit {

namespace {

constexpr size_t kNameBuffer = 1000;  // names are composed in 1000 bytes

// An id n-gram. Its first four ids are also kept as two integers, first id
// highest (ids the n-gram lacks as 0), so that most comparisons take one or
// two of them. (Not one 128-bit integer, nor an array: built in pieces on
// the stack and loaded whole, either stalls the load.)
struct IdKey {
  uint64_t high = 0;  // ids 0 and 1
  uint64_t low = 0;   // ids 2 and 3
  std::vector<wordid_t> ids;
};

// An intermediate file, in the temporary file format.
class TempSink {
 public:
  TempSink(FILE *fp, int n) : writer_(fp, n, "temporary n-gram ids", "temporary n-gram counts") {}
  void Put(const IdKey &key, int32_t count) { writer_.Write(key.ids.data(), count); }
  void Finish() { writer_.Flush(); }

 private:
  IdNgramWriter writer_;
};

// The id n-gram file, binary or ASCII, and its statistics.
class OutputSink {
 public:
  OutputSink(FILE *fp, bool ascii, int n, FofStats &stats)
      : fp_(fp), ascii_(ascii), n_(n), binary_(fp, n, "n-gram ids", "n-gram counts"),
        text_(fp), stats_(stats) {}

  void Put(const IdKey &key, int32_t count) {
    if (ascii_)
      PutText(key.ids.data(), count);
    else
      binary_.Write(key.ids.data(), count);
    stats_.Add(key.ids.data(), count);
  }

  // Everything reaches the stream (and the write is known to have worked)
  // before the inputs are deleted.
  void Finish() {
    if (ascii_) {
      text_.Finish();
    } else {
      binary_.Flush();
      FlushMergedOutput(fp_);
    }
  }

 private:
  static constexpr size_t kMaxField = 12;  // "-2147483648" and a separator

  void PutText(const wordid_t *ids, int32_t count) {
    char *out = text_.Reserve(kMaxField * (static_cast<size_t>(n_) + 1));
    for (int i = 0; i < n_; ++i) {  // each id as "%d "
      out = std::to_chars(out, out + kMaxField, static_cast<int32_t>(ids[i])).ptr;
      *out++ = ' ';
    }
    out = std::to_chars(out, out + kMaxField, count).ptr;
    *out++ = '\n';
    text_.Commit(out);
  }

  FILE *fp_;
  bool ascii_;
  int n_;
  IdNgramWriter binary_;
  MergedTextOutput text_;
  FofStats &stats_;
};

// The records of the temporary files, for the k-way merge.
class IdFormat {
 public:
  using Key = IdKey;
  using Reader = IdNgramReader;
  using Stage = TempSink;

  explicit IdFormat(int n) : n_(n) {}

  std::unique_ptr<Reader> Open(FILE *fp, const std::string & /*name*/) const {
    return std::make_unique<IdNgramReader>(fp, n_);
  }
  Key NewKey() const { return Key{0, 0, std::vector<wordid_t>(static_cast<size_t>(n_))}; }
  bool Read(Reader &reader, Key *key, int32_t *count, bool first) const {
    if (!reader.Next(key->ids.data(), count,
                     first ? "temporary n-gram counts" : "temporary n-gram count"))
      return false;
    const std::vector<wordid_t> &ids = key->ids;
    auto id = [&ids](size_t i) -> uint64_t { return i < ids.size() ? ids[i] : 0; };
    key->high = id(0) << 32 | id(1);
    key->low = id(2) << 32 | id(3);
    return true;
  }
  int Compare(const Key &a, const Key &b) const {
    if (a.high != b.high) return a.high < b.high ? -1 : 1;
    if (a.low != b.low) return a.low < b.low ? -1 : 1;
    for (size_t i = HeadIds(); i < a.ids.size(); ++i)
      if (a.ids[i] != b.ids[i]) return a.ids[i] < b.ids[i] ? -1 : 1;
    return 0;
  }
  [[noreturn]] void CountOverflow(int64_t total, const Key & /*ngram*/) const {
    quit(-1,
         "merge_idngramfiles: a count of %lld does not fit in 32 bits.\n"
         "Aborting, but keeping temporary files.\n",
         static_cast<long long>(total));
  }
  Stage OpenStage(FILE *fp) const { return TempSink(fp, n_); }
  void RunStarts(int64_t /*first*/, int64_t /*last*/) const {}
  void RunStaged(int64_t /*first*/, int64_t /*last*/, int64_t /*groups*/) const {}

 private:
  size_t HeadIds() const { return std::min<size_t>(static_cast<size_t>(n_), 4); }

  int n_;
};

}  // namespace

void MergeIdNgramFiles(int start_file, int end_file, const char *temp_file_root,
                       const char *temp_file_ext, int max_files, FILE *outfile,
                       bool write_ascii, int fof_size, int n_order, FofStats *tally) {
  if (n_order < 1)
    quit(-1, "merge_idngramfiles: the n-gram order must be at least 1, not %d\n",
         n_order);
  const MergePlan plan{"merge_idngramfiles",
                       TempNames(temp_file_root, temp_file_ext, "merge_idngramfiles",
                                 "file name", kNameBuffer),
                       max_files, Rounds::kFirstGroup};
  QuitOnBadAlloc([&] {
    FofStats own_stats(n_order, tally != nullptr ? 0 : fof_size);
    FofStats &stats = tally != nullptr ? *tally : own_stats;
    OutputSink output(outfile, write_ascii, n_order, stats);
    KWayMerge(IdFormat(n_order), plan, start_file, end_file, output);
    stats.Complete();
    if (tally == nullptr && stats.on()) stats.Print(stderr);
  }, [] { quit(-1, "merge_idngramfiles: out of memory\n"); });
}

}  // namespace lexkit
