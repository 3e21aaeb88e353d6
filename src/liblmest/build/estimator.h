// The estimating stages of the pipeline: a Katz back-off model from the
// counts of the levels and the discounting method's parameters.
//
//  - Unigrams: a seen word w gets d(c_w) / N, N the total count of the
//    predicted words and d the method's discounted count. The mass that
//    discounting takes away is shared equally by the receivers: the
//    predicted words never seen (zerotons) and, in an open vocabulary, the
//    unknown word. With no receiver the distribution is renormalised.
//  - A kept n-gram h w gets d(c_hw) / c_h. Any other word backs off:
//    P(w | h) = alpha(h) P(w | h'), h' being h without its first word, and
//    alpha(h) = (1 - sum P(w | h)) / (1 - sum P(w | h')), both sums over
//    the kept successors of h, makes the distribution of h sum to 1 over
//    the vocabulary. A context that is not in the model backs off with
//    weight 1.
//  - Context cues and, in a closed vocabulary, the unknown word are never
//    predicted: probability 0 everywhere, the rest of the mass goes to the
//    other words.
//
// Guards, each counted and reported as a warning: a discounted count outside
// (0, c] is replaced by c / 2; a context whose kept successors hold all of
// the lower order's mass has nothing to back off to, so its probabilities
// are scaled to sum to 1 (weight 1); a context whose discounting left no
// mass for other words (all counts above the discounting range, say) keeps
// the Witten-Bell share T / (c_h + T) for them, T being its number of kept
// successors, and likewise the unigrams' receivers. So every probability
// and weight is finite and positive.
#ifndef LEXKIT_LIBLMEST_BUILD_ESTIMATOR_H
#define LEXKIT_LIBLMEST_BUILD_ESTIMATOR_H

#include <stdint.h>

#include <unordered_map>
#include <utility>
#include <vector>

#include "lexkit/ngram.h"
#include "liblmest/build/model_tables.h"
#include "liblmest/build/model_vocabulary.h"

namespace lexkit {

// The suffixes of a history: link l is the entry at level l of the
// history's last l + 1 words (kNone when they are not a context of the
// model) and the range of its successors.
struct SuffixLink {
  uint64_t entry = ModelTables::kNone;
  uint64_t begin = 0, end = 0;
};
struct SuffixChain {
  int length = 0;
  SuffixLink links[kMaxLevels];
};

class Estimator {
 public:
  Estimator(const ModelVocabulary &vocab, ModelTables *tables,
            const disc_meth_t *method);

  // Stage: the unigram distribution.
  void EstimateUnigrams();
  // Stage: the back-off weights of level k's entries (k < order - 1) in
  // double precision, from those of the levels below (so each lower
  // distribution sums to 1 exactly, whatever the stored form rounds). Runs
  // once per level, upwards; decides the scales of the contexts that need
  // one.
  void ComputeBackoffWeights(int k);
  // Stores level k's weights in the compact tables.
  void StoreBackoffWeights(int k);
  // The weights as computed, until released.
  const std::vector<double> &exact_weights(int k) const { return exact_[k]; }
  void ReleaseExactWeights() { exact_.clear(); exact_.shrink_to_fit(); }

  // The model, as the writers read it.
  double Unigram(wordid_t w) const { return unigrams_[w]; }
  // P of entry i of level k >= 1, whose context is entry `context` of
  // level k - 1.
  double Probability(int k, uint64_t i, uint64_t context) const;
  // P(w | history) by backing off through the suffixes of the history,
  // with the exact weights (while estimating). The words asked of one chain
  // must ascend: each search narrows the ranges to start where it stopped,
  // and gallops from there, so a chain asked for the successors of a
  // context reads each suffix's successors near where it left them.
  double BackedOff(SuffixChain *chain, wordid_t w) const;
  // The chain of the history words[0 .. length - 1] (oldest first).
  SuffixChain Chain(const wordid_t *words, int length) const;

  // Prints the guards' counts as warnings at priority 1.
  void ReportWarnings(unsigned short verbosity) const;

 private:
  // The method's discounted count of a level-k n-gram of count c whose
  // context, entry `context` of level k - 1, has count `context_count`;
  // guarded (see above), a guarded one counted in *halved when given.
  double Discounted(int k, count_t c, count_t context_count, uint64_t context,
                    uint64_t *halved) const;

  // What weighing a range of contexts tallies, added up after the parts.
  struct WeightTally {
    uint64_t halved = 0, renormalised = 0, reserved = 0;
    std::vector<std::pair<uint64_t, double>> scales;  // (context, scale)
  };
  // Weighs the entries [first, last) of level k, in the level's order,
  // into their places of `weights`: the parts of a level write disjoint
  // places of it.
  void WeighInOrder(int k, uint64_t first, uint64_t last, double *weights,
                    WeightTally *tally) const;
  // The entries of a level grouped by their last words: those of word w
  // are entries[start[w] .. start[w + 1]).
  struct WordGroups {
    std::vector<uint32_t> entries;
    std::vector<uint32_t> start;
  };
  WordGroups EntriesByLastWord(int k) const;
  // Weighs the level-1 entries at the places [first, last) of `groups`.
  void WeighByLastWord(const WordGroups &groups, uint64_t first, uint64_t last,
                       double *weights, WeightTally *tally) const;
  // Weighs entry q of level k, whose lower context is `lower`.
  void WeighContext(int k, uint64_t q, SuffixChain *lower, double *weights,
                    WeightTally *tally) const;

  const ModelVocabulary &vocab_;
  ModelTables *tables_;
  const disc_meth_t *method_;
  const int n_;
  std::vector<double> unigrams_;
  std::vector<std::vector<double>> exact_;  // back-off weights per level
  // Per level: the contexts whose probabilities are scaled, marked in a
  // bit each so that the others cost no search.
  std::vector<std::unordered_map<uint64_t, double>> scales_;
  std::vector<std::vector<bool>> scaled_;

  // Guard counts, per level.
  std::vector<uint64_t> halved_;
  std::vector<uint64_t> renormalised_;
  std::vector<uint64_t> reserved_;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_BUILD_ESTIMATOR_H
