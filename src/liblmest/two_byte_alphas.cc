// Two-byte back-off weights. The base-10 logarithm of a weight is quantised
// in `elements_in_range` equal steps over [min_range, max_range] (codes 0 to
// E); a logarithm outside the range is kept exactly in a side table, in the
// order first met, the k-th one (from 1) coded E + k and held in entry k-1.
#include <math.h>

#include <algorithm>

#include "lexkit/general.h"
#include "lexkit/ngram.h"

namespace {

const double kLogOfNothing = -99.999;  // stands for log10 of 0 or less
const int kLargestCode = 65535;

}  // namespace

extern "C" unsigned short short_alpha(double long_alpha, double *alpha_array,
                                      unsigned short *size_of_alpha_array,
                                      int elements_in_range, double min_range,
                                      double max_range) {
  const double x = long_alpha > 0.0 ? log10(long_alpha) : kLogOfNothing;
  if (min_range <= x && x <= max_range) {
    // An empty range has the one code 0, which stands for its only value.
    if (max_range == min_range) return 0;
    return static_cast<unsigned short>(elements_in_range * (x - min_range) /
                                       (max_range - min_range));
  }

  double *const stored_end = alpha_array + *size_of_alpha_array;
  double *const found = std::find(alpha_array, stored_end, x);
  if (found != stored_end)
    return static_cast<unsigned short>(elements_in_range + (found - alpha_array) + 1);

  if (elements_in_range + *size_of_alpha_array > kLargestCode - 1)
    quit(-1,
         "Error : Number of out-of-range alphas exceeds %d. Rerun with a bigger \n"
         "range (use the -min_alpha and -max_alpha options), or a higher number of \n"
         "allowed out of range alphas (use the -out_of_range_alphas options).\n",
         kLargestCode - elements_in_range);
  alpha_array[*size_of_alpha_array] = x;
  ++*size_of_alpha_array;
  return static_cast<unsigned short>(elements_in_range + *size_of_alpha_array);
}

extern "C" double double_alpha(unsigned short short_alpha, double *alpha_array,
                               int size_of_alpha_array, int elements_in_range,
                               double min_range, double max_range) {
  const int code = short_alpha;
  if (code > size_of_alpha_array + elements_in_range)
    quit(-1, "Error : two-byte alpha value is out of range. short alpha = %d\n",
         code);
  double x;
  if (code > elements_in_range)
    x = alpha_array[code - elements_in_range - 1];
  else if (elements_in_range == 0)
    x = min_range;  // no steps: the only in-range code stands for the lower end
  else
    x = code * (max_range - min_range) / elements_in_range + min_range;
  return pow(10.0, x);
}
