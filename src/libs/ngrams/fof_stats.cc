#include "libs/ngrams/fof_stats.h"

#include "libs/ngrams/ngram_stats.h"

namespace lexkit {

FofStats::FofStats(int n_order, int fof_size)
    : on_(fof_size > 0 && n_order > 1),
      n_order_(n_order),
      fof_size_(fof_size),
      num_kgrams_(on_ ? n_order - 1 : 0),
      ng_count_(on_ ? n_order - 1 : 0),
      previous_(on_ ? n_order : 0) {
  if (!on_) return;
  fof_.assign(static_cast<size_t>(n_order - 1),
              std::vector<fof_t>(static_cast<size_t>(fof_size) + 1));
  for (auto &row : fof_) rows_.push_back(row.data());
}

void FofStats::Complete() {
  if (!on_ || first_ngram_) return;
  for (int idx = 0; idx <= n_order_ - 3; ++idx) Count(idx, ng_count_[idx]);
  first_ngram_ = true;
}

void FofStats::Print(FILE *fp) const {
  PrintFofStatistics(num_kgrams_.data(), rows_.data(), static_cast<uint32_t>(fof_size_), fp,
                     n_order_);
}

std::vector<int64_t> FofStats::Numbers() const {
  std::vector<int64_t> numbers(num_kgrams_.begin(), num_kgrams_.end());
  for (const auto &row : fof_) numbers.insert(numbers.end(), row.begin(), row.end());
  return numbers;
}

void FofStats::SetNumbers(const std::vector<int64_t> &numbers) {
  auto in = numbers.begin();
  for (ngram_sz_t &total : num_kgrams_) total = *in++;
  for (auto &row : fof_)
    for (fof_t &tally : row) tally = static_cast<fof_t>(*in++);
}

}  // namespace lexkit
