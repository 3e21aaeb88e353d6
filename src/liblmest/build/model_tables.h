// The tables of a back-off model in the ng_t record, in its compact forms:
// per level the last word of each entry (level 0 is dense: entry i is word
// i), its count (a two-byte place in the level's count table, or four bytes
// with -four_byte_counts), for the levels below the top the start of its
// successors in the next level (short indices with their pointer table) and
// its back-off weight (a two-byte code, or a four-byte float with
// -four_byte_alphas). The successors of an entry are contiguous and sorted
// by word id. This class owns every row it gives the record and is the only
// code that reads or writes the compact forms.
#ifndef LEXKIT_LIBLMEST_BUILD_MODEL_TABLES_H
#define LEXKIT_LIBLMEST_BUILD_MODEL_TABLES_H

#include <stdint.h>

#include <unordered_map>
#include <vector>

#include "lexkit/ngram.h"
#include "libs/base/checked_array.h"

namespace lexkit {

constexpr int kMaxLevels = 10;  // the highest order of a model

struct StorageConfig {
  bool four_byte_counts = false;
  bool four_byte_alphas = false;
  double min_alpha = -3.2;  // log10 range of the two-byte weights
  double max_alpha = 2.5;
  int out_of_range_alphas = 10000;  // weights outside it, kept exactly
};

class ModelTables {
 public:
  static constexpr uint64_t kNone = UINT64_MAX;

  // Sets up the record `ng` (n and vocab_size already set) with level 0 of
  // vocab_size + 1 entries and room for `capacity` entries at each level
  // k >= 1: a bound, such as the number of records of the id n-gram file,
  // rather than the exact size. The rows are zero-filled by ox_calloc, so
  // their pages are taken only as the entries fill them.
  ModelTables(ng_t *ng, const StorageConfig &storage, uint64_t capacity);
  ModelTables(const ModelTables &) = delete;
  ModelTables &operator=(const ModelTables &) = delete;

  int order() const { return ng_->n; }
  uint64_t size(int k) const { return static_cast<uint64_t>(ng_->num_kgrams[k]); }
  wordid_t word(int k, uint64_t i) const {
    return k == 0 ? static_cast<wordid_t>(i) : ng_->word_id[k][i];
  }
  count_t count(int k, uint64_t i) const {
    return four_byte_counts_ ? ng_->count4[k][i]
                             : ng_->count_table[k][ng_->count[k][i]];
  }

  // The successors of entry i of level k < order - 1: [begin, end) of level
  // k + 1. The position is decoded as get_full_index decodes it; once the
  // levels are indexed (IndexBlocks), without searching the pointer table.
  uint64_t FirstSuccessor(int k, uint64_t i) const {
    if (k < static_cast<int>(block_index_.size()) && !block_index_[k].empty()) {
      // The block of the span of entries that i lies in, or one of the few
      // blocks that start within that span.
      const ptr_tab_t *starts = ng_->ptr_table[k];
      const auto blocks = static_cast<uint32_t>(ng_->ptr_table_size[k]);
      uint32_t b = block_index_[k][i >> kSpanBits];
      while (b + 1 < blocks && static_cast<uint64_t>(starts[b + 1]) <= i) ++b;
      return ng_->ind[k][i] + uint64_t{b} * kBlockPositions;
    }
    return static_cast<uint64_t>(get_full_index(
        ng_->ind[k][i], ng_->ptr_table[k], ng_->ptr_table_size[k],
        static_cast<int>(i)));
  }
  // Once the levels are complete: for each span of 2^kSpanBits entries, the
  // block of short indices that its first entry lies in.
  void IndexBlocks();
  uint64_t SuccessorsEnd(int k, uint64_t i) const {
    return i + 1 >= size(k) ? size(k + 1) : FirstSuccessor(k, i + 1);
  }
  // The entry of level k in [begin, end) whose word is w, or kNone.
  uint64_t Find(int k, uint64_t begin, uint64_t end, wordid_t w) const;
  // The successor of entry i of level k whose word is w, or kNone.
  uint64_t FindSuccessor(int k, uint64_t i, wordid_t w) const {
    return Find(k + 1, FirstSuccessor(k, i), SuccessorsEnd(k, i), w);
  }

  // Filling, in the order of the entries. Level 0 entries get their counts
  // by SetCount; the other levels grow by Append and shrink by Truncate.
  void SetCount(int k, uint64_t i, count_t c);
  void Append(int k, wordid_t w, count_t c);
  // Entry i of level k's successors start at `full` in level k + 1; called
  // for the entries in ascending order with non-decreasing positions.
  void SetFirstSuccessor(int k, uint64_t i, uint64_t full);
  void Truncate(int k, uint64_t new_size);

  double alpha(int k, uint64_t i) const;
  void SetAlpha(int k, uint64_t i, double alpha);
  // f(alpha) for each entry of level k < order - 1, in order. A two-byte
  // weight is decoded, and f evaluated, once per distinct code.
  std::vector<float> MapAlphas(int k, float (*f)(double)) const;

  // Ask the cache, ahead of their use, for what FirstSuccessor and count
  // read of entry i of level k < order - 1 (PrefetchEntry) and, once that
  // has arrived, for the word and count of its first successor
  // (PrefetchSuccessors).
  void PrefetchEntry(int k, uint64_t i) const {
    __builtin_prefetch(&ng_->ind[k][i]);
    PrefetchCount(k, i);
  }
  void PrefetchSuccessors(int k, uint64_t i) const {
    const uint64_t first = FirstSuccessor(k, i);
    __builtin_prefetch(&ng_->word_id[k + 1][first]);
    PrefetchCount(k + 1, first);
  }

  // The words of level k >= 1's entries, in order.
  const id__t *words(int k) const { return ng_->word_id[k]; }

  ng_t *record() { return ng_; }
  const ng_t *record() const { return ng_; }

 private:
  void PrefetchCount(int k, uint64_t i) const {
    if (four_byte_counts_)
      __builtin_prefetch(&ng_->count4[k][i]);
    else
      __builtin_prefetch(&ng_->count[k][i]);
  }
  // The place of count c in the count table of level k.
  count_ind_t CountPlace(int k, count_t c);

  ng_t *ng_;
  bool four_byte_counts_;
  bool four_byte_alphas_;
  int elements_in_range_;  // two-byte weight codes within the range

  // The rows given to the record, per level.
  std::vector<CheckedArray<id__t>> words_;
  std::vector<CheckedArray<count_ind_t>> counts_;
  std::vector<CheckedArray<count_t>> counts4_;
  std::vector<CheckedArray<count_t>> count_tables_;
  std::vector<CheckedArray<index__t>> successors_;
  std::vector<CheckedArray<ptr_tab_t>> ptr_tables_;
  std::vector<CheckedArray<bo_weight_t>> weights_;
  std::vector<CheckedArray<four_byte_t>> weights4_;
  CheckedArray<double> alpha_array_;
  // The record's arrays of row pointers and per-level numbers.
  std::vector<id__t *> word_rows_;
  std::vector<count_ind_t *> count_rows_;
  std::vector<count_t *> count4_rows_;
  std::vector<count_t *> count_table_rows_;
  std::vector<index__t *> successor_rows_;
  std::vector<ptr_tab_t *> ptr_table_rows_;
  std::vector<ptr_tab_sz_t> ptr_table_sizes_;
  std::vector<bo_weight_t *> weight_rows_;
  std::vector<four_byte_t *> weight4_rows_;
  std::vector<ngram_sz_t> num_kgrams_;
  std::vector<uint64_t> capacity_;
  static constexpr int kSpanBits = 12;
  static constexpr uint64_t kBlockPositions = 65000;  // of a short index
  std::vector<std::vector<uint32_t>> block_index_;  // per level, once indexed
  // Places of the counts that do not have their own place in the table:
  // lookup_index_of scans for them, so each is looked up there only once.
  std::vector<std::unordered_map<count_t, count_ind_t>> far_places_;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_BUILD_MODEL_TABLES_H
