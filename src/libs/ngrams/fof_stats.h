// Frequency-of-frequency tallies of a sorted run of distinct id n-grams:
// for every order m from 2 to n, the number of distinct m-grams and how
// many of them occur c times, for c from 1 to the table size. An m-gram is
// a prefix of the n-grams; it is complete when a later n-gram differs from
// the one before within its first m positions, or when the run ends.
//
// Runs whose n-grams differ in their first id never share a prefix, so the
// tallies of runs split at first-id boundaries add up to the tallies of
// the whole run.
#ifndef LEXKIT_LIBS_NGRAMS_FOF_STATS_H
#define LEXKIT_LIBS_NGRAMS_FOF_STATS_H

#include <stdio.h>

#include <cstdint>
#include <vector>

#include "lexkit/general.h"

namespace lexkit {

class FofStats {
 public:
  // Tallies nothing unless fof_size > 0 and n_order > 1.
  FofStats(int n_order, int fof_size);
  FofStats(const FofStats &) = delete;
  FofStats &operator=(const FofStats &) = delete;

  bool on() const { return on_; }

  // The next n-gram of the run, above the one before, with its count.
  void Add(const wordid_t *g, int32_t c) {
    if (!on_) return;
    int pos_of_novelty = n_order_;
    for (int i = 0; i < n_order_; ++i) {
      if (g[i] > previous_[i]) {
        pos_of_novelty = i;
        break;
      }
    }
    Count(n_order_ - 2, c);
    // Prefixes of lengths p+1 .. n-1 begin with g; those that ended with
    // the n-gram before are complete.
    const int p = pos_of_novelty > 1 ? pos_of_novelty : 1;
    for (int idx = n_order_ - 3; idx >= p - 1; --idx) {
      if (!first_ngram_) Count(idx, ng_count_[idx]);
      ng_count_[idx] = c;
    }
    // Prefixes of lengths 2 .. p go on.
    for (int idx = 0; idx <= p - 2; ++idx) ng_count_[idx] += c;
    for (int i = 0; i < n_order_; ++i) previous_[i] = g[i];
    first_ngram_ = false;
  }

  // Counts the prefixes still open: the run has ended.
  void Complete();

  // The statistics as printed by the id n-gram merge.
  void Print(FILE *fp) const;

  // All tallies as one array (the numbers of distinct m-grams, then the
  // tallies of each order), and back, so that the tallies of several runs
  // can be added up.
  std::vector<int64_t> Numbers() const;
  void SetNumbers(const std::vector<int64_t> &numbers);

 private:
  void Count(int idx, int64_t count) {
    ++num_kgrams_[idx];
    if (count >= 0 && count <= fof_size_) ++fof_[idx][static_cast<size_t>(count)];
  }

  bool on_;
  int n_order_;
  int fof_size_;
  std::vector<std::vector<fof_t>> fof_;
  std::vector<fof_t *> rows_;  // fof_'s rows, as the printer takes them
  std::vector<ngram_sz_t> num_kgrams_;
  std::vector<int64_t> ng_count_;
  std::vector<wordid_t> previous_;
  bool first_ngram_ = true;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_NGRAMS_FOF_STATS_H
