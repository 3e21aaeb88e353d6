// Good-Turing discount ratios of one order by Katz's formula. With n_r the
// number of n-grams seen r times and K the discounting range,
//
//   d_r = (x_r - c) / (1 - c),  x_r = (r+1) n_{r+1} / (r n_r),
//                               c   = (K+1) n_{K+1} / n_1,
//
// for r = 1..K. The range is lowered to the largest K (down to 0, no
// discounting) for which every ratio is defined and lies in (0, 1].
//
// The cut-off: n-grams seen at most `cutoff` times are left out of the
// model at this order, but the tallies still include them, so the formula
// is applied to the tallies as they are. Counts at or below the cut-off are
// never discounted (nothing in the model has them): their ratio is 1 and
// they place no condition on the range.
#include <algorithm>
#include <limits>

#include "lexkit/pc_general.h"
#include "lexkit/stats.h"

namespace {

// x_r = r* / r: Turing's estimate for a count r, as a fraction of r.
double Turing(const fof_t *n, int r) {
  return static_cast<double>(r + 1) * n[r + 1] /
         (static_cast<double>(r) * n[r]);
}

// c = (K+1) n_{K+1} / n_1: Katz's correction for the range K, which keeps
// the probability mass of the counts above the range unchanged.
double KatzShare(const fof_t *n, int range) {
  return static_cast<double>(range + 1) * n[range + 1] / n[1];
}

// The largest range at most `range` whose ratios for the counts above
// `cutoff` are all valid. d_r <= 1 exactly when x_r <= 1, which does not
// depend on K, and d_r > 0 exactly when x_r > c_K, so one pass upwards with
// the running minimum of x_r settles every candidate K.
int LargestValidRange(const fof_t *n, int range, int cutoff) {
  const int lowest = cutoff + 1;
  int best = std::min(range, cutoff);
  if (lowest > range || n[1] <= 0) return best;
  double min_x = std::numeric_limits<double>::infinity();
  for (int r = lowest; r <= range; ++r) {
    if (n[r] <= 0 || n[r + 1] <= 0) break;
    const double x = Turing(n, r);
    if (x > 1.0) break;
    min_x = std::min(min_x, x);
    const double c = KatzShare(n, r);
    if (c < 1.0 && min_x > c) best = r;
  }
  return best;
}

}  // namespace

extern "C" void compute_gt_discount(int order, fof_t *freq_of_freq,
                                    int fof_size, unsigned short *disc_range,
                                    int cutoff, int verbosity,
                                    disc_val_t **discounted_values) {
  const auto v = static_cast<unsigned short>(verbosity);
  const fof_t *n = freq_of_freq;
  disc_val_t *ratio = *discounted_values;

  // Reading n_{K+1} and ratio K needs K + 1 <= fof_size.
  int range = *disc_range;
  const int fit = fof_size > 0 ? fof_size - 1 : 0;
  if (range > fit) {
    pc_message(v, 1,
               "Warning : %d-grams : discounting range %d is not below the "
               "tally size %d; lowered to %d.\n",
               order, range, fof_size, fit);
    range = fit;
  }
  // A cut-off at or above the range leaves every count in it undiscounted.
  cutoff = std::clamp(cutoff, 0, range);
  const int valid = LargestValidRange(n, range, cutoff);
  if (valid < range)
    pc_message(v, 1,
               "Warning : %d-grams : the frequency-of-frequency tallies give "
               "no valid Good-Turing ratios up to count %d; discounting range "
               "lowered to %d.\n",
               order, range, valid);
  range = valid;
  *disc_range = static_cast<unsigned short>(range);

  std::fill(ratio, ratio + std::max(fof_size, 0), 1.0);
  if (range > cutoff) {
    const double c = KatzShare(n, range);
    for (int r = cutoff + 1; r <= range; ++r)
      ratio[r] = (Turing(n, r) - c) / (1.0 - c);
  }

  pc_message(v, 1, "Good-Turing discounting ratios of %d-grams, range %d :\n",
             order, range);
  for (int r = 1; r <= range; ++r) pc_message(v, 1, "    %d : %g\n", r, ratio[r]);
}
