#include "liblmest/build/estimator.h"

#include <algorithm>

#include "lexkit/pc_general.h"
#include "libs/base/parallel.h"
#include "liblmest/model/level_walk.h"

namespace lexkit {
namespace {

// A context whose kept successors leave less than this of the lower order's
// mass has nothing left to back off to: the weight would divide by a sum
// that rounding alone could wipe out.
constexpr double kNoLowerMass = 1e-6;
// Discounting that leaves less than this has taken nothing away.
constexpr double kNoMassLeft = 1e-12;
// Successors worth a thread of their own.
constexpr uint64_t kLeastPerPart = 1 << 16;

// The first position in [first, last) whose word is not below w, for a w
// expected near `first`: steps of 1, 2, 4, ... bound it, then a binary
// search of the last step finds it.
const id__t *GallopTo(const id__t *first, const id__t *last, wordid_t w) {
  const auto n = static_cast<size_t>(last - first);
  size_t bound = 1;
  while (bound < n && first[bound] < w) bound *= 2;
  // Everything before first[bound / 2] is below w (when the loop stepped).
  return std::lower_bound(first + bound / 2, first + std::min(bound + 1, n), w);
}

}  // namespace

Estimator::Estimator(const ModelVocabulary &vocab, ModelTables *tables,
                     const disc_meth_t *method)
    : vocab_(vocab),
      tables_(tables),
      method_(method),
      n_(tables->order()),
      scales_(n_),
      scaled_(n_),
      halved_(n_, 0),
      renormalised_(n_, 0),
      reserved_(n_, 0) {}

double Estimator::Discounted(int k, count_t c, count_t context_count,
                             uint64_t context, uint64_t *halved) const {
  // Witten-Bell reads the context's position at entry k - 1.
  int positions[kMaxLevels] = {0};
  if (k > 0) positions[k - 1] = static_cast<int>(context);
  const double d = method_->dump_discounted_ngram_count(
      const_cast<ng_t *>(tables_->record()), k, c, context_count, positions);
  if (d > 0.0 && d <= c) return d;  // false for a NaN too
  if (halved != nullptr) ++*halved;
  return 0.5 * c;
}

void Estimator::EstimateUnigrams() {
  const uint64_t entries = tables_->size(0);
  unigrams_.assign(entries, 0.0);
  int64_t total = 0;
  for (uint64_t w = 0; w < entries; ++w)
    if (vocab_.predicted(static_cast<wordid_t>(w))) total += tables_->count(0, w);
  // Totals are at most 2^31 - 1 per word; a sum beyond 32 bits is passed to
  // the method saturated (it only scales the unused margin).
  const auto margin = static_cast<count_t>(std::min<int64_t>(total, INT32_MAX));

  double mass = 0.0;
  uint64_t seen = 0;
  std::vector<wordid_t> receivers;
  for (uint64_t i = 0; i < entries; ++i) {
    const auto w = static_cast<wordid_t>(i);
    if (!vocab_.predicted(w)) continue;
    const count_t c = tables_->count(0, i);
    if (c > 0) {
      unigrams_[i] = Discounted(0, c, margin, 0, &halved_[0]) / static_cast<double>(total);
      mass += unigrams_[i];
      ++seen;
    }
    if (c == 0 || (w == 0 && !vocab_.closed)) receivers.push_back(w);
  }

  double left = 1.0 - mass;
  double scale = 1.0;
  if (receivers.empty()) {
    scale = 1.0 / mass;
    ++renormalised_[0];
  } else if (left <= kNoMassLeft) {
    left = static_cast<double>(seen) / static_cast<double>(total + seen);
    scale = (1.0 - left) / mass;
    ++reserved_[0];
  }
  if (scale != 1.0)
    for (double &p : unigrams_) p *= scale;
  const double share = left / static_cast<double>(receivers.size());
  if (!receivers.empty())
    for (wordid_t w : receivers) unigrams_[w] += share;
}

double Estimator::Probability(int k, uint64_t i, uint64_t context) const {
  if (!vocab_.predicted(tables_->word(k, i))) return 0.0;
  const count_t context_count = tables_->count(k - 1, context);
  double p = Discounted(k, tables_->count(k, i), context_count, context, nullptr) /
             context_count;
  const std::vector<bool> &scaled = scaled_[k - 1];
  if (!scaled.empty() && scaled[context]) p *= scales_[k - 1].at(context);
  return p;
}

double Estimator::BackedOff(SuffixChain *chain, wordid_t w) const {
  double weight = 1.0;
  for (int l = chain->length - 1; l >= 0; --l) {
    SuffixLink &link = chain->links[l];
    if (link.entry == ModelTables::kNone) continue;
    const id__t *words = tables_->words(l + 1);
    const id__t *at = GallopTo(words + link.begin, words + link.end, w);
    link.begin = static_cast<uint64_t>(at - words);
    if (link.begin < link.end && *at == w)
      return weight * Probability(l + 1, link.begin, link.entry);
    weight *= exact_[l][link.entry];
  }
  return weight * unigrams_[w];
}

SuffixChain Estimator::Chain(const wordid_t *words, int length) const {
  SuffixChain chain;
  chain.length = length;
  for (int l = 0; l < length; ++l) {
    // The last l + 1 words, looked up from level 0 down.
    const wordid_t *suffix = words + length - 1 - l;
    uint64_t at = suffix[0];
    for (int m = 1; m <= l && at != ModelTables::kNone; ++m)
      at = tables_->FindSuccessor(m - 1, at, suffix[m]);
    if (at == ModelTables::kNone) continue;
    chain.links[l] = {at, tables_->FirstSuccessor(l, at), tables_->SuccessorsEnd(l, at)};
  }
  return chain;
}

void Estimator::ComputeBackoffWeights(int k) {
  exact_.resize(k + 1);
  exact_[k].assign(tables_->size(k), 1.0);
  double *weights = exact_[k].data();
  // The contexts are independent: each part of the level weighs its own
  // share of them.
  const uint64_t entries = tables_->size(k);
  const uint64_t successors = tables_->size(k + 1);
  const int parts = PartsFor(successors, kLeastPerPart);
  std::vector<WeightTally> tallies(parts);
  if (k == 1) {
    // A bigram context's lower context is its last word alone, whose
    // successors are searched for each of the context's own. Contexts that
    // share the last word are weighed one after another, so that its
    // successors are still in the cache for all of them.
    const WordGroups groups = EntriesByLastWord(1);
    RunParts(parts, [&](int p) {
      WeighByLastWord(groups, PartStart(entries, parts, p), PartStart(entries, parts, p + 1),
                      weights, &tallies[p]);
    });
  } else {
    // In the order of the level, in ranges cut where they hold similar
    // numbers of successors, the work of a context being the walk over
    // its successors.
    std::vector<uint64_t> cuts(parts + 1, entries);
    cuts[0] = 0;
    for (int p = 1; p < parts; ++p)
      cuts[p] = LevelWalk<ModelTables>::ContextOf(*tables_, k + 1,
                                                  PartStart(successors, parts, p));
    RunParts(parts, [&](int p) { WeighInOrder(k, cuts[p], cuts[p + 1], weights, &tallies[p]); });
  }

  for (const WeightTally &tally : tallies) {
    halved_[k + 1] += tally.halved;
    renormalised_[k + 1] += tally.renormalised;
    reserved_[k + 1] += tally.reserved;
    for (const auto &[q, scale] : tally.scales) {
      scaled_[k].resize(entries);
      scaled_[k][q] = true;
      scales_[k][q] = scale;
    }
  }
}

Estimator::WordGroups Estimator::EntriesByLastWord(int k) const {
  // A counting sort: each word's first place, then the entries dealt out.
  const uint64_t entries = tables_->size(k);
  WordGroups groups;
  std::vector<uint32_t> &start = groups.start;
  start.assign(tables_->size(0) + 1, 0);
  for (uint64_t i = 0; i < entries; ++i) ++start[tables_->word(k, i) + 1];
  for (size_t w = 1; w < start.size(); ++w) start[w] += start[w - 1];
  std::vector<uint32_t> place(start.begin(), start.end() - 1);
  groups.entries.resize(entries);
  for (uint64_t i = 0; i < entries; ++i)
    groups.entries[place[tables_->word(k, i)]++] = static_cast<uint32_t>(i);
  return groups;
}

void Estimator::WeighInOrder(int k, uint64_t first, uint64_t last, double *weights,
                             WeightTally *tally) const {
  std::vector<wordid_t> history(k + 1);
  // The lower context of an entry ends with the entry's last word, the
  // first link of its chain, whose level-0 entry and successors lie
  // anywhere: they are fetched for the entries ahead, in two steps, since
  // the successors' place is read from the entry.
  constexpr uint64_t kFar = 16, kNear = 8;
  LevelWalk walk(*tables_, k, first);
  while (walk.Next() && walk.position(k) < last) {
    const uint64_t q = walk.position(k);
    if (k > 0 && q + kFar < last) {
      tables_->PrefetchEntry(0, tables_->word(k, q + kFar));
      tables_->PrefetchSuccessors(0, tables_->word(k, q + kNear));
    }
    if (tables_->FirstSuccessor(k, q) == tables_->SuccessorsEnd(k, q))
      continue;  // nothing kept: all backs off, weight 1
    // The lower order's context: the words of q but its first.
    for (int l = 1; l <= k; ++l) history[l - 1] = walk.word(l);
    SuffixChain lower = Chain(history.data(), k);
    WeighContext(k, q, &lower, weights, tally);
  }
}

void Estimator::WeighByLastWord(const WordGroups &groups, uint64_t first, uint64_t last,
                                double *weights, WeightTally *tally) const {
  // The entries and successors of the contexts ahead are fetched in two
  // steps, since the successors' place is read from the entry.
  constexpr uint64_t kFar = 16, kNear = 8;
  const uint32_t *entries = groups.entries.data();
  const std::vector<uint32_t> &start = groups.start;
  // The word whose group holds `first`.
  auto v = static_cast<wordid_t>(
      std::upper_bound(start.begin(), start.end(), first) - start.begin() - 1);
  SuffixChain lower;
  uint64_t lower_begin = 0;
  bool lower_made = false;  // for word v
  for (uint64_t at = first; at < last; ++at) {
    if (at + kFar < last) tables_->PrefetchEntry(1, entries[at + kFar]);
    if (at + kNear < last) tables_->PrefetchSuccessors(1, entries[at + kNear]);
    if (at >= start[v + 1]) {
      do ++v;
      while (at >= start[v + 1]);
      lower_made = false;
    }
    const uint64_t q = entries[at];
    if (tables_->FirstSuccessor(1, q) == tables_->SuccessorsEnd(1, q)) continue;
    if (!lower_made) {
      lower = Chain(&v, 1);
      lower_begin = lower.links[0].begin;
      lower_made = true;
    }
    lower.links[0].begin = lower_begin;  // each context searches from the start
    WeighContext(1, q, &lower, weights, tally);
  }
}

void Estimator::WeighContext(int k, uint64_t q, SuffixChain *lower, double *weights,
                             WeightTally *tally) const {
  const uint64_t begin = tables_->FirstSuccessor(k, q);
  const uint64_t end = tables_->SuccessorsEnd(k, q);
  const count_t c = tables_->count(k, q);
  // Long double: the weight divides by 1 minus this sum.
  long double kept = 0, kept_lower = 0;
  uint64_t types = 0;
  for (uint64_t s = begin; s < end; ++s) {
    const wordid_t w = tables_->word(k + 1, s);
    if (!vocab_.predicted(w)) continue;
    ++types;
    kept += Discounted(k + 1, tables_->count(k + 1, s), c, q, &tally->halved) / c;
    kept_lower += BackedOff(lower, w);  // successors ascend
  }
  const double left = static_cast<double>(1.0L - kept);
  const double lower_left = static_cast<double>(1.0L - kept_lower);
  double scale = 1.0;
  if (lower_left <= kNoLowerMass) {
    scale = (1.0 - std::max(lower_left, 0.0)) / static_cast<double>(kept);
    ++tally->renormalised;
  } else if (left <= kNoMassLeft) {
    const double share = static_cast<double>(types) / (static_cast<double>(c) + types);
    scale = (1.0 - share) / static_cast<double>(kept);
    weights[q] = share / lower_left;
    ++tally->reserved;
  } else {
    weights[q] = left / lower_left;
  }
  if (scale != 1.0) tally->scales.emplace_back(q, scale);
}

void Estimator::StoreBackoffWeights(int k) {
  const std::vector<double> &weights = exact_[k];
  for (uint64_t i = 0; i < weights.size(); ++i) tables_->SetAlpha(k, i, weights[i]);
}

void Estimator::ReportWarnings(unsigned short verbosity) const {
  for (int k = 0; k < n_; ++k) {
    if (halved_[k] > 0)
      pc_message(verbosity, 1,
                 "Warning : %d-grams : the discounted count of %llu n-grams was "
                 "not above 0 and at most the count; they keep half their "
                 "count.\n",
                 k + 1, static_cast<unsigned long long>(halved_[k]));
    if (k == 0) {
      if (reserved_[0] > 0)
        pc_message(verbosity, 1,
                   "Warning : 1-grams : discounting left no probability for the "
                   "unseen words; they share a Witten-Bell estimate of it.\n");
      continue;
    }
    if (renormalised_[k] > 0)
      pc_message(verbosity, 1,
                 "Warning : %d-grams : %llu contexts leave nothing to back off "
                 "to; their %d-gram probabilities were scaled to sum to 1.\n",
                 k + 1, static_cast<unsigned long long>(renormalised_[k]), k + 1);
    if (reserved_[k] > 0)
      pc_message(verbosity, 1,
                 "Warning : %d-grams : discounting left %llu contexts no "
                 "probability for unseen words; they keep a Witten-Bell "
                 "estimate of it.\n",
                 k + 1, static_cast<unsigned long long>(reserved_[k]));
  }
}

}  // namespace lexkit
