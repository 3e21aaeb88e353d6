// The one k-way merge of numbered runs of sorted temporary files, whatever
// their records (word n-gram text lines, binary id n-grams).
//
// A direct merge opens every input of its run and repeatedly takes the
// smallest current record from a binary heap over the inputs. Every input
// whose current record equals it gives that one record, so counts are summed
// across inputs only: a record repeated inside one input is written once per
// repetition. The inputs of such a group advance in number order. A sum
// outside the signed 32-bit range ends the process. When every input is
// read, the output is finished (an intermediate file also closed), then
// every input is closed, and only then are the inputs deleted: any failure,
// a failed decompression on closing included, leaves all of them on disk.
//
// A run of more than `max_files` inputs is merged in rounds through
// intermediate files numbered after the run's last input and written in the
// form the merge reads:
//   Rounds::kEveryGroup: each group of `max_files` consecutive inputs is
//     merged into an intermediate file of its own; the intermediate files
//     are the next run.
//   Rounds::kFirstGroup: the first group is merged into one intermediate
//     file, which joins the end of the run.
// Numbers repeat every kNamesPerCycle names, so a round that would give an
// intermediate file the name of an input still to be merged, or a number
// past the int range, ends the process instead.
//
// What the merge needs to know of its records comes from a Format:
//   using Key = ...;     the n-gram of a record, copyable
//   using Reader = ...;  reads the records of one input
//   using Stage = ...;   a sink that writes an intermediate file
//   std::unique_ptr<Reader> Open(FILE *fp, const std::string &name) const;
//   Key NewKey() const;
//   bool Read(Reader &, Key *, int32_t *count, bool first) const;
//       the next record of an input, false at its end; `first` for its first
//   int Compare(const Key &, const Key &) const;   below, at or above 0
//   [[noreturn]] void CountOverflow(int64_t total, const Key &) const;
//   Stage OpenStage(FILE *fp) const;
//   void RunStarts(int64_t first, int64_t last) const;   a run begins
//   void RunStaged(int64_t first, int64_t last, int64_t groups) const;
// A sink has Put(const Key &, int32_t count) and Finish(), which hands every
// record to its stream (a failure ends the process).
#ifndef LEXKIT_LIBS_NGRAMS_KWAY_MERGE_H
#define LEXKIT_LIBS_NGRAMS_KWAY_MERGE_H

#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "lexkit/general.h"
#include "libs/ngrams/temp_name.h"

namespace lexkit {

enum class Rounds { kEveryGroup, kFirstGroup };

struct MergePlan {
  const char *who;  // the operation, first in the merge's own messages
  TempNames names;
  int max_files;
  Rounds rounds;
};

namespace kway_detail {

// Merges the inputs numbered first..last into `sink`; `stage` is the stream
// of an intermediate file that `sink` writes, closed once it is complete.
template <typename Format, typename Sink>
void MergeDirect(const Format &format, const TempNames &names, int64_t first, int64_t last,
                 Sink &sink, FILE *stage) {
  struct Input {
    std::string name;
    FILE *fp;
    std::unique_ptr<typename Format::Reader> reader;
    typename Format::Key key;
    int32_t count = 0;
  };
  std::vector<Input> inputs;
  for (int64_t number = first; number <= last; ++number) {
    std::string name = names.Name(number);
    FILE *fp = ox_iopen(name.c_str());
    inputs.push_back(Input{std::move(name), fp, nullptr, format.NewKey()});
  }

  // A min-heap of the inputs that have a current record; of equal records
  // the lower-numbered input's is on top.
  auto later = [&inputs, &format](size_t a, size_t b) {
    const int c = format.Compare(inputs[a].key, inputs[b].key);
    return c != 0 ? c > 0 : a > b;
  };
  std::vector<size_t> heap;
  for (size_t i = 0; i < inputs.size(); ++i) {
    Input &in = inputs[i];
    in.reader = format.Open(in.fp, in.name);
    if (format.Read(*in.reader, &in.key, &in.count, true)) heap.push_back(i);
  }
  std::make_heap(heap.begin(), heap.end(), later);

  // A single input has nothing to sum across: its records go out as they
  // come, without the heap (a text that fits one buffer merges this way).
  if (inputs.size() == 1 && !heap.empty()) {
    Input &in = inputs[0];
    do {
      sink.Put(in.key, in.count);
    } while (format.Read(*in.reader, &in.key, &in.count, false));
    heap.clear();
  }
  typename Format::Key smallest = format.NewKey();
  std::vector<size_t> group;
  while (!heap.empty()) {
    group.clear();
    do {
      std::pop_heap(heap.begin(), heap.end(), later);
      group.push_back(heap.back());
      heap.pop_back();
    } while (!heap.empty() &&
             format.Compare(inputs[heap.front()].key, inputs[group[0]].key) == 0);
    smallest = inputs[group[0]].key;  // reading on overwrites the inputs' keys
    std::sort(group.begin(), group.end());
    int64_t total = 0;
    for (size_t i : group) {
      Input &in = inputs[i];
      total += in.count;
      if (format.Read(*in.reader, &in.key, &in.count, false)) {
        heap.push_back(i);
        std::push_heap(heap.begin(), heap.end(), later);
      }
    }
    if (total > std::numeric_limits<int32_t>::max() ||
        total < std::numeric_limits<int32_t>::min())
      format.CountOverflow(total, smallest);
    sink.Put(smallest, static_cast<int32_t>(total));
  }
  sink.Finish();
  if (stage != nullptr) ox_oclose(stage);

  for (Input &in : inputs) {
    in.reader.reset();
    ox_iclose(in.fp);
  }
  for (const Input &in : inputs) remove(in.name.c_str());
}

}  // namespace kway_detail

// Merges the inputs numbered first..last of `plan` into `sink`, in rounds
// when they are more than `plan.max_files`.
template <typename Format, typename Sink>
void KWayMerge(const Format &format, const MergePlan &plan, int64_t first, int64_t last,
               Sink &sink) {
  const int64_t max_files = plan.max_files;
  for (;;) {
    format.RunStarts(first, last);
    if (last - first < max_files) break;
    if (max_files < 2)
      quit(-1, "%s: %lld files cannot be merged %d at a time\n", plan.who,
           static_cast<long long>(last - first + 1), plan.max_files);
    const bool every_group = plan.rounds == Rounds::kEveryGroup;
    const int64_t groups = every_group ? (last - first) / max_files + 1 : 1;
    format.RunStaged(first, last, groups);
    // Intermediate file k is written while the inputs of groups k and after
    // still wait; with fewer than kNamesPerCycle inputs its number cannot
    // come round to theirs.
    if (last + 1 - first >= kNamesPerCycle || last + groups > std::numeric_limits<int>::max())
      quit(-1, "%s: no free %s after file %lld\n", plan.who,
           every_group ? "numbers for intermediate files" : "number for an intermediate file",
           static_cast<long long>(last));
    for (int64_t k = 0; k < groups; ++k) {
      const int64_t group_first = first + k * max_files;
      const int64_t group_last = std::min(group_first + max_files - 1, last);
      FILE *fp = ox_oopen(plan.names.Name(last + 1 + k).c_str());
      typename Format::Stage stage = format.OpenStage(fp);
      format.RunStarts(group_first, group_last);
      kway_detail::MergeDirect(format, plan.names, group_first, group_last, stage, fp);
    }
    // What is left of the run, then the intermediate files.
    first = std::min(first + groups * max_files, last + 1);
    last += groups;
  }
  kway_detail::MergeDirect(format, plan.names, first, last, sink, nullptr);
}

}  // namespace lexkit

#endif  // LEXKIT_LIBS_NGRAMS_KWAY_MERGE_H
