// Merge of sorted temporary id n-gram files into one id n-gram file, binary
// or ASCII, with the frequency-of-frequency statistics of orders 2 to n.
//
// The smallest current n-gram of the inputs comes from a binary heap. All
// inputs whose current n-gram equals it contribute one record each to the
// output record; an n-gram repeated inside one input is therefore written
// once per repetition, counts being summed only across inputs.
//
// More than `max_files` inputs are merged in stages: the first `max_files`
// inputs into an intermediate file numbered after the last input, which
// joins the end of the run; this repeats until the rest fits one merge.
#include <stdio.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "libs/io/idngram_records.h"
#include "libs/ngrams/fof_stats.h"
#include "libs/ngrams/ngram_stages.h"
#include "libs/ngrams/ngram_stats.h"

namespace lexkit {

namespace {

constexpr size_t kMaxNameLength = 999;  // names are composed in 1000 bytes
constexpr int64_t kNamesPerCycle = 65536;  // numbers are written in 16 bits

const char kWriteError[] =
    "Write error encountered while attempting to merge temporary files.\n"
    "Aborting, but keeping temporary files.\n";

std::string FileName(const char *root, int64_t number, const char *ext) {
  std::string name = std::string(root) + "/" +
                     std::to_string(static_cast<unsigned short>(number)) + ext;
  if (name.size() > kMaxNameLength)
    quit(-1, "merge_idngramfiles: the file name '%s' is longer than %zu characters\n",
         name.c_str(), kMaxNameLength);
  return name;
}

// An intermediate file, in the temporary file format. It is complete and
// closed (a failed close ends the process) before its inputs are deleted.
class TempSink {
 public:
  TempSink(FILE *fp, int n)
      : fp_(fp), writer_(fp, n, "temporary n-gram ids", "temporary n-gram counts") {}
  void Put(const wordid_t *ids, int32_t count) { writer_.Write(ids, count); }
  void Finish() {
    writer_.Flush();
    ox_oclose(fp_);
  }

 private:
  FILE *fp_;
  IdNgramWriter writer_;
};

// The id n-gram file, binary or ASCII, and its statistics.
class OutputSink {
 public:
  OutputSink(FILE *fp, bool ascii, int n, FofStats &stats)
      : fp_(fp), ascii_(ascii), n_(n), binary_(fp, n, "n-gram ids", "n-gram counts"),
        stats_(stats) {
    // Room for at least one record of the longest form, whatever n is.
    if (ascii_) text_.resize(std::max(kTextBlock, RecordBound()));
  }

  void Put(const wordid_t *ids, int32_t count) {
    if (ascii_)
      PutText(ids, count);
    else
      binary_.Write(ids, count);
    stats_.Add(ids, count);
  }

  // Everything reaches the stream (and the write is known to have worked)
  // before the inputs are deleted.
  void Finish() {
    if (ascii_)
      FlushText();
    else
      binary_.Flush();
    if (fflush(fp_) != 0) quit(-1, "%s", kWriteError);
  }

 private:
  static constexpr size_t kTextBlock = 1 << 20;
  static constexpr size_t kMaxField = 12;  // "-2147483648" and a separator

  size_t RecordBound() const { return kMaxField * (static_cast<size_t>(n_) + 1); }

  void PutText(const wordid_t *ids, int32_t count) {
    if (text_.size() - used_ < RecordBound()) FlushText();
    char *out = text_.data() + used_;
    char *const end = text_.data() + text_.size();
    for (int i = 0; i < n_; ++i) {  // each id as "%d "
      out = std::to_chars(out, end, static_cast<int32_t>(ids[i])).ptr;
      *out++ = ' ';
    }
    out = std::to_chars(out, end, count).ptr;
    *out++ = '\n';
    used_ = static_cast<size_t>(out - text_.data());
  }

  void FlushText() {
    if (used_ != 0 && fwrite_unlocked(text_.data(), 1, used_, fp_) < used_)
      quit(-1, "%s", kWriteError);
    used_ = 0;
  }

  FILE *fp_;
  bool ascii_;
  int n_;
  IdNgramWriter binary_;
  std::vector<char> text_;
  size_t used_ = 0;
  FofStats &stats_;
};

// An input and its current record. The first four ids are also kept as one
// integer (first id highest), so most comparisons are a single one.
struct Input {
  std::string name;
  FILE *fp;
  std::unique_ptr<IdNgramReader> reader;
  std::vector<wordid_t> ids;
  unsigned __int128 head = 0;
  int32_t count = 0;

  bool Next(const char *count_desc) {
    if (!reader->Next(ids.data(), &count, count_desc)) return false;
    head = 0;
    for (size_t i = 0; i < std::min<size_t>(ids.size(), kHeadIds); ++i)
      head = head << 32 | ids[i];
    return true;
  }
  bool SameNgram(const Input &o) const {
    return head == o.head && std::equal(ids.begin() + Skip(), ids.end(), o.ids.begin() + Skip());
  }
  bool Before(const Input &o) const {
    if (head != o.head) return head < o.head;
    return std::lexicographical_compare(ids.begin() + Skip(), ids.end(),
                                        o.ids.begin() + Skip(), o.ids.end());
  }

 private:
  static constexpr size_t kHeadIds = 4;
  std::ptrdiff_t Skip() const { return static_cast<std::ptrdiff_t>(std::min(ids.size(), kHeadIds)); }
};

// Merges the inputs numbered first..last into `sink`, then closes and
// deletes them.
template <typename Sink>
void MergeDirect(int64_t first, int64_t last, const char *root, const char *ext,
                 int n, Sink &sink) {
  std::vector<Input> inputs;
  for (int64_t number = first; number <= last; ++number) {
    Input in;
    in.name = FileName(root, number, ext);
    in.fp = ox_iopen(in.name.c_str());
    in.reader = std::make_unique<IdNgramReader>(in.fp, n);
    in.ids.resize(static_cast<size_t>(n));
    inputs.push_back(std::move(in));
  }

  // A min-heap of the inputs that have a current record.
  auto later = [&inputs](size_t a, size_t b) {
    if (!inputs[a].SameNgram(inputs[b])) return inputs[b].Before(inputs[a]);
    return a > b;
  };
  std::vector<size_t> heap;
  for (size_t i = 0; i < inputs.size(); ++i)
    if (inputs[i].Next("temporary n-gram counts")) heap.push_back(i);
  std::make_heap(heap.begin(), heap.end(), later);

  std::vector<wordid_t> smallest(static_cast<size_t>(n));
  std::vector<size_t> group;
  while (!heap.empty()) {
    group.clear();
    do {
      std::pop_heap(heap.begin(), heap.end(), later);
      group.push_back(heap.back());
      heap.pop_back();
    } while (!heap.empty() && inputs[heap.front()].SameNgram(inputs[group[0]]));
    smallest = inputs[group[0]].ids;
    std::sort(group.begin(), group.end());  // advance in number order
    int64_t total = 0;
    for (size_t i : group) {
      Input &in = inputs[i];
      total += in.count;
      if (in.Next("temporary n-gram count")) {
        heap.push_back(i);
        std::push_heap(heap.begin(), heap.end(), later);
      }
    }
    if (total > std::numeric_limits<int32_t>::max() ||
        total < std::numeric_limits<int32_t>::min())
      quit(-1,
           "merge_idngramfiles: a count of %lld does not fit in 32 bits.\n"
           "Aborting, but keeping temporary files.\n",
           static_cast<long long>(total));
    sink.Put(smallest.data(), static_cast<int32_t>(total));
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

}  // namespace

void MergeIdNgramFiles(int start_file, int end_file, const char *temp_file_root,
                       const char *temp_file_ext, int max_files, FILE *outfile,
                       bool write_ascii, int fof_size, int n_order, FofStats *tally) {
  if (n_order < 1)
    quit(-1, "merge_idngramfiles: the n-gram order must be at least 1, not %d\n",
         n_order);
  int64_t first = start_file, last = end_file;
  if (last - first >= max_files && max_files < 2)
    quit(-1, "merge_idngramfiles: %lld files cannot be merged %d at a time\n",
         static_cast<long long>(last - first + 1), max_files);

  try {
    FofStats own_stats(n_order, tally != nullptr ? 0 : fof_size);
    FofStats &stats = tally != nullptr ? *tally : own_stats;
    OutputSink output(outfile, write_ascii, n_order, stats);
    while (last - first >= max_files) {
      // The intermediate file must not take the name of a file still to be
      // merged (numbers repeat every 65536).
      const int64_t intermediate = last + 1;
      if (intermediate - first >= kNamesPerCycle ||
          intermediate > std::numeric_limits<int>::max())
        quit(-1,
             "merge_idngramfiles: no free number for an intermediate file after "
             "file %lld\n",
             static_cast<long long>(last));
      const std::string name = FileName(temp_file_root, intermediate, temp_file_ext);
      FILE *fp = ox_oopen(name.c_str());
      TempSink stage(fp, n_order);
      MergeDirect(first, first + max_files - 1, temp_file_root, temp_file_ext, n_order,
                  stage);
      first += max_files;
      last = intermediate;
    }
    MergeDirect(first, last, temp_file_root, temp_file_ext, n_order, output);
    stats.Complete();
    if (tally == nullptr && stats.on()) stats.Print(stderr);
  } catch (const std::bad_alloc &) {
    quit(-1, "merge_idngramfiles: out of memory\n");
  }
}

}  // namespace lexkit
