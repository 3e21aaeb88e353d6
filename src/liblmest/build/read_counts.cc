#include "liblmest/build/read_counts.h"

#include <algorithm>
#include <vector>

#include "lexkit/pc_general.h"

namespace lexkit {
namespace {

// Builds the levels from the records in sorted order. A group is the run of
// records that share their first j+1 ids: the level-j entry of that prefix.
// Its total is known when the group closes, after its successors were
// placed in the deeper levels; a group cut off then takes its successors
// back out (their contexts would be missing).
class LevelFiller {
 public:
  LevelFiller(const BuildConfig &config, const ModelVocabulary &vocab,
              ModelTables *tables, const disc_meth_t *method)
      : config_(config),
        vocab_(vocab),
        tables_(tables),
        method_(method),
        n_(config.order),
        previous_(n_),
        totals_(n_, 0),
        starts_(n_, std::vector<uint64_t>(n_, 0)) {}

  // Adds a record; `source` tells its number for the messages.
  void Add(const id__t *ids, count_t count, const IdNgramSource &source) {
    const int differs = first_ ? 0 : FirstDifference(ids);
    if (!first_)
      for (int j = n_ - 2; j >= differs; --j) Close(j);
    for (int j = differs; j < n_ - 1; ++j) Open(j, ids);
    for (int j = 0; j < n_ - 1; ++j) {
      totals_[j] += count;
      if (totals_[j] > INT32_MAX)
        quit(-1, "buildlex : Error : %s, record %llu: the count of a %d-gram "
                 "passes 2147483647.\n", source.name().c_str(),
             static_cast<unsigned long long>(source.record()), j + 1);
    }
    const int top = n_ - 1;
    if (top == 0) {
      tables_->SetCount(0, ids[0], count);
    } else {
      Tally(top, ids[top], count);
      if (count > config_.cutoffs[top - 1]) tables_->Append(top, ids[top], count);
    }
    std::copy(ids, ids + n_, previous_.begin());
    first_ = false;
  }

  void Finish() {
    if (!first_)
      for (int j = n_ - 2; j >= 0; --j) Close(j);
    if (n_ > 1) StartSuccessorsUpTo(static_cast<uint64_t>(vocab_.size));
    for (uint64_t w = 0; w <= static_cast<uint64_t>(vocab_.size); ++w) {
      const count_t c = tables_->count(0, w);
      if (c > 0) Tally(0, static_cast<wordid_t>(w), c);
    }
  }

 private:
  int FirstDifference(const id__t *ids) const {
    return static_cast<int>(std::mismatch(ids, ids + n_, previous_.begin()).first - ids);
  }

  void Open(int j, const id__t *ids) {
    totals_[j] = 0;
    if (j == 0) {
      StartSuccessorsUpTo(ids[0]);
      return;
    }
    for (int l = j + 1; l < n_; ++l) starts_[j][l] = tables_->size(l);
  }

  void Close(int j) {
    const auto total = static_cast<count_t>(totals_[j]);
    const wordid_t w = previous_[j];
    if (j == 0) {
      tables_->SetCount(0, w, total);
      return;
    }
    Tally(j, w, total);
    if (total > config_.cutoffs[j - 1]) {
      tables_->Append(j, w, total);
      tables_->SetFirstSuccessor(j, tables_->size(j) - 1, starts_[j][j + 1]);
    } else {
      for (int l = j + 1; l < n_; ++l) tables_->Truncate(l, starts_[j][l]);
    }
  }

  // Level 0 is dense: every word up to `last` that has not got its start
  // yet starts where level 1 stands now (words with no successors included).
  void StartSuccessorsUpTo(uint64_t last) {
    for (; next_word_ <= last; ++next_word_)
      tables_->SetFirstSuccessor(0, next_word_, tables_->size(1));
  }

  void Tally(int level, wordid_t last_word, count_t count) {
    if (vocab_.predicted(last_word))
      method_->update_freq_of_freq(tables_->record(), level, count);
  }

  const BuildConfig &config_;
  const ModelVocabulary &vocab_;
  ModelTables *tables_;
  const disc_meth_t *method_;
  const int n_;
  bool first_ = true;
  std::vector<id__t> previous_;
  std::vector<int64_t> totals_;                // per open group
  std::vector<std::vector<uint64_t>> starts_;  // [j][l]: size of level l
                                               // when group j opened
  uint64_t next_word_ = 0;  // the first word of level 0 without its start
};

[[noreturn]] void BadRecord(const IdNgramSource &source, const char *what) {
  quit(-1, "buildlex : Error : %s, record %llu: %s.\n", source.name().c_str(),
       static_cast<unsigned long long>(source.record()), what);
}

constexpr uint64_t kRecordsPerMark = 1000000;

// Reads the records of a source, checking each against the vocabulary and
// the one before it.
class CheckedRecords {
 public:
  CheckedRecords(IdNgramSource *source, int n, const ModelVocabulary &vocab,
                 unsigned short verbosity)
      : source_(source),
        n_(n),
        vocab_size_(static_cast<uint64_t>(vocab.size)),
        verbosity_(verbosity),
        ids_(n),
        previous_(n) {}
  ~CheckedRecords() {
    if (source_->record() >= kRecordsPerMark) pc_message(verbosity_, 2, "\n");
  }

  // The next record, or null at the end; its count in *count.
  const id__t *Next(count_t *count) {
    if (!source_->Next(ids_.data(), count)) return nullptr;
    char what[160];
    for (int i = 0; i < n_; ++i) {
      if (ids_[i] > vocab_size_) {
        snprintf(what, sizeof what, "word id %u is beyond the vocabulary of %llu words",
                 ids_[i], static_cast<unsigned long long>(vocab_size_));
        BadRecord(*source_, what);
      }
    }
    if (*count <= 0) {
      snprintf(what, sizeof what, "the count %d is not positive", *count);
      BadRecord(*source_, what);
    }
    if (source_->record() > 1) {
      const auto at = std::mismatch(ids_.begin(), ids_.end(), previous_.begin());
      if (at.first == ids_.end()) BadRecord(*source_, "the n-gram repeats the one before");
      if (*at.first < *at.second)
        BadRecord(*source_, "the n-gram is out of order (the file must be sorted)");
    }
    previous_.swap(ids_);
    if (source_->record() % kRecordsPerMark == 0) pc_message(verbosity_, 2, ".");
    return previous_.data();
  }

 private:
  IdNgramSource *source_;
  const int n_;
  const uint64_t vocab_size_;
  const unsigned short verbosity_;
  std::vector<id__t> ids_, previous_;
};

}  // namespace

uint64_t CountIdNgrams(const BuildConfig &config, const ModelVocabulary &vocab,
                       IdNgramSource *source) {
  CheckedRecords records(source, config.order, vocab,
                         static_cast<unsigned short>(config.verbosity));
  count_t count;
  while (records.Next(&count) != nullptr) {
  }
  return source->record();
}

CountSummary ReadCounts(const BuildConfig &config, const ModelVocabulary &vocab,
                        IdNgramSource *source, ModelTables *tables,
                        const disc_meth_t *method, bool marks) {
  const int n = config.order;
  LevelFiller filler(config, vocab, tables, method);
  CountSummary summary;
  {
    CheckedRecords records(source, n, vocab,
                           marks ? static_cast<unsigned short>(config.verbosity) : 0);
    count_t count;
    while (const id__t *record = records.Next(&count)) {
      if (vocab.closed && std::find(record, record + n, 0u) != record + n) {
        ++summary.left_out;
        continue;
      }
      summary.tokens += count;
      filler.Add(record, count, *source);
    }
    summary.records = source->record();
  }
  filler.Finish();
  return summary;
}

}  // namespace lexkit
