#include "liblmest/build/model_tables.h"

#include <algorithm>

namespace lexkit {
namespace {

// Entries of each count table. Place 0 stands for the count 0 (words never
// seen); lookup_index_of manages places 1 up, so it never hands out place 0,
// which it would otherwise give a count 0 without taking it.
constexpr count_ind_t kCountTableSize = 65535;
constexpr int kBlock = 65000;  // positions per block of short indices

template <typename T>
T *Row(std::vector<CheckedArray<T>> *rows, int k, size_t entries) {
  (*rows)[k] = CheckedArray<T>(entries);
  return (*rows)[k].data();
}

}  // namespace

ModelTables::ModelTables(ng_t *ng, const StorageConfig &storage, uint64_t capacity)
    : ng_(ng),
      four_byte_counts_(storage.four_byte_counts),
      four_byte_alphas_(storage.four_byte_alphas),
      elements_in_range_(65535 - storage.out_of_range_alphas) {
  const int n = ng->n;
  capacity_.resize(n);
  capacity_[0] = static_cast<uint64_t>(ng->vocab_size) + 1;
  for (int k = 1; k < n; ++k) capacity_[k] = capacity;

  words_.resize(n);
  counts_.resize(n);
  counts4_.resize(n);
  count_tables_.resize(n);
  successors_.resize(n);
  ptr_tables_.resize(n);
  weights_.resize(n);
  weights4_.resize(n);
  word_rows_.assign(n, nullptr);
  count_rows_.assign(n, nullptr);
  count4_rows_.assign(n, nullptr);
  count_table_rows_.assign(n, nullptr);
  successor_rows_.assign(n, nullptr);
  ptr_table_rows_.assign(n, nullptr);
  ptr_table_sizes_.assign(n, 0);
  weight_rows_.assign(n, nullptr);
  weight4_rows_.assign(n, nullptr);
  num_kgrams_.assign(n, 0);
  far_places_.resize(n);
  num_kgrams_[0] = static_cast<ngram_sz_t>(capacity_[0]);

  for (int k = 0; k < n; ++k) {
    const size_t entries = capacity_[k];
    if (k > 0) word_rows_[k] = Row(&words_, k, entries);
    if (four_byte_counts_) {
      count4_rows_[k] = Row(&counts4_, k, entries);
    } else {
      count_rows_[k] = Row(&counts_, k, entries);
      count_table_rows_[k] = Row(&count_tables_, k, kCountTableSize);
    }
    if (k + 1 < n) {
      successor_rows_[k] = Row(&successors_, k, entries);
      // One block per 65000 successors, and the first.
      ptr_table_rows_[k] = Row(&ptr_tables_, k, capacity_[k + 1] / kBlock + 2);
      if (four_byte_alphas_)
        weight4_rows_[k] = Row(&weights4_, k, entries);
      else
        weight_rows_[k] = Row(&weights_, k, entries);
    }
  }
  alpha_array_ = CheckedArray<double>(storage.out_of_range_alphas);

  ng->word_id = word_rows_.data();
  ng->count = count_rows_.data();
  ng->count4 = count4_rows_.data();
  ng->count_table = count_table_rows_.data();
  ng->count_table_size = kCountTableSize;
  ng->ind = successor_rows_.data();
  ng->ptr_table = ptr_table_rows_.data();
  ng->ptr_table_size = ptr_table_sizes_.data();
  ng->bo_weight = weight_rows_.data();
  ng->bo_weight4 = weight4_rows_.data();
  ng->num_kgrams = num_kgrams_.data();
  ng->alpha_array = alpha_array_.data();
  ng->size_of_alpha_array = 0;
  ng->min_alpha = storage.min_alpha;
  ng->max_alpha = storage.max_alpha;
  ng->out_of_range_alphas = static_cast<unsigned short>(storage.out_of_range_alphas);
  ng->four_byte_counts = four_byte_counts_;
  ng->four_byte_alphas = four_byte_alphas_;
}

uint64_t ModelTables::Find(int k, uint64_t begin, uint64_t end, wordid_t w) const {
  if (k == 0) return w;
  const id__t *row = ng_->word_id[k];
  const id__t *at = std::lower_bound(row + begin, row + end, w);
  return at != row + end && *at == w ? static_cast<uint64_t>(at - row) : kNone;
}

count_ind_t ModelTables::CountPlace(int k, count_t c) {
  if (c == 0) return 0;
  count_t *table = ng_->count_table[k] + 1;
  const int places = kCountTableSize - 1;
  // A small count normally sits at its own place, found at once.
  if (c < places && table[c] == c) return static_cast<count_ind_t>(c + 1);
  auto found = far_places_[k].find(c);
  if (found != far_places_[k].end()) return found->second;
  const auto place = static_cast<count_ind_t>(lookup_index_of(table, places, c) + 1);
  if (place != c + 1) far_places_[k].emplace(c, place);
  return place;
}

void ModelTables::SetCount(int k, uint64_t i, count_t c) {
  if (four_byte_counts_)
    ng_->count4[k][i] = c;
  else
    ng_->count[k][i] = CountPlace(k, c);
}

void ModelTables::Append(int k, wordid_t w, count_t c) {
  const uint64_t i = size(k);
  // The number of records bounds every level; more entries mean the file
  // changed since it was counted.
  if (i >= capacity_[k])
    quit(-1, "Error : the id n-gram file holds more %d-grams than when it was "
             "first read; did it change?\n", k + 1);
  ng_->word_id[k][i] = w;
  SetCount(k, i, c);
  ++ng_->num_kgrams[k];
}

void ModelTables::SetFirstSuccessor(int k, uint64_t i, uint64_t full) {
  // new_index records one block per call; a context with more than 65000
  // successors makes the next one start blocks further on, so it is called
  // until every block up to `full` is recorded (the extra entries record the
  // same position, and decoding takes the last of them).
  ptr_tab_sz_t &blocks = ng_->ptr_table_size[k];
  index__t short_index;
  do {
    short_index = new_index(static_cast<ngram_sz_t>(full), ng_->ptr_table[k],
                            &blocks, static_cast<ngram_sz_t>(i));
  } while (full >= static_cast<uint64_t>(blocks) * kBlock);
  ng_->ind[k][i] = short_index;
}

void ModelTables::IndexBlocks() {
  static_assert(kBlockPositions == kBlock, "one block size");
  block_index_.assign(order(), {});
  for (int k = 0; k + 1 < order(); ++k) {
    const ptr_tab_t *starts = ng_->ptr_table[k];
    const auto blocks = static_cast<uint32_t>(ng_->ptr_table_size[k]);
    if (blocks == 0) continue;  // the short indices are the positions
    std::vector<uint32_t> &index = block_index_[k];
    index.resize((size(k) >> kSpanBits) + 1);
    // The last block starting at or before each span's first entry (block 0
    // before the first start), as get_full_index finds it.
    uint32_t b = 0;
    for (size_t span = 0; span < index.size(); ++span) {
      const uint64_t first = uint64_t{span} << kSpanBits;
      while (b + 1 < blocks && static_cast<uint64_t>(starts[b + 1]) <= first) ++b;
      index[span] = b;
    }
  }
}

void ModelTables::Truncate(int k, uint64_t new_size) {
  ng_->num_kgrams[k] = static_cast<ngram_sz_t>(new_size);
  // Blocks recorded for the entries taken away are forgotten with them.
  if (k + 1 < order()) {
    ptr_tab_sz_t &blocks = ng_->ptr_table_size[k];
    while (blocks > 0 && static_cast<uint64_t>(ng_->ptr_table[k][blocks - 1]) >= new_size)
      --blocks;
  }
}

double ModelTables::alpha(int k, uint64_t i) const {
  if (four_byte_alphas_) return ng_->bo_weight4[k][i];
  return double_alpha(ng_->bo_weight[k][i], ng_->alpha_array,
                      ng_->size_of_alpha_array, elements_in_range_,
                      ng_->min_alpha, ng_->max_alpha);
}

std::vector<float> ModelTables::MapAlphas(int k, float (*f)(double)) const {
  const uint64_t entries = size(k);
  std::vector<float> values(entries);
  if (four_byte_alphas_) {
    for (uint64_t i = 0; i < entries; ++i) values[i] = f(ng_->bo_weight4[k][i]);
    return values;
  }
  std::vector<float> of_code(65536);
  std::vector<bool> known(65536, false);
  const bo_weight_t *codes = ng_->bo_weight[k];
  for (uint64_t i = 0; i < entries; ++i) {
    const bo_weight_t code = codes[i];
    if (!known[code]) {
      of_code[code] = f(alpha(k, i));
      known[code] = true;
    }
    values[i] = of_code[code];
  }
  return values;
}

void ModelTables::SetAlpha(int k, uint64_t i, double alpha) {
  if (four_byte_alphas_)
    ng_->bo_weight4[k][i] = static_cast<four_byte_t>(alpha);
  else
    ng_->bo_weight[k][i] =
        short_alpha(alpha, ng_->alpha_array, &ng_->size_of_alpha_array,
                    elements_in_range_, ng_->min_alpha, ng_->max_alpha);
}

}  // namespace lexkit
