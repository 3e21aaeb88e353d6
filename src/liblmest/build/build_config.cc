#include "liblmest/build/build_config.h"

#include <string.h>

#include <cmath>

namespace lexkit {
namespace {

static_assert(BUILDLEX_MAX_ORDER == kMaxLevels, "one highest order");

std::string Name(const char *file) { return file != nullptr ? file : ""; }

}  // namespace

BuildConfig MakeBuildConfig(const buildlex_options &o) {
  BuildConfig c;
  if (o.idngram_filename == nullptr || o.vocab_filename == nullptr)
    quit(-1, "buildlex : Error : both -idngram and -vocab are required.\n");
  if (o.arpa_filename == nullptr && o.bin_filename == nullptr)
    quit(-1, "buildlex : Error : give -arpa FILE, -binary FILE or both.\n");
  if (o.n < 1 || o.n > BUILDLEX_MAX_ORDER)
    quit(-1, "buildlex : Error : -n must be from 1 to %d.\n", BUILDLEX_MAX_ORDER);
  if (strcmp(o.vocab_filename, "-") == 0 && strcmp(o.idngram_filename, "-") == 0)
    quit(-1, "buildlex : Error : the vocabulary and the id n-grams cannot both "
             "come from standard input.\n");
  c.idngram_file = o.idngram_filename;
  c.vocab_file = o.vocab_filename;
  c.context_file = Name(o.context_cues_filename);
  c.arpa_file = Name(o.arpa_filename);
  c.binary_file = Name(o.bin_filename);
  if (!c.arpa_file.empty() && c.arpa_file == c.binary_file)
    quit(-1, "buildlex : Error : -arpa and -binary name the same file.\n");
  c.order = o.n;
  c.ascii_input = o.ascii_input != 0;
  c.good_turing = o.good_turing;
  c.absolute = o.absolute;
  c.linear = o.linear;
  c.witten_bell = o.witten_bell;
  c.closed = o.closed_vocabulary != 0;

  c.cutoffs.assign(c.order, 0);
  for (int k = 0; k + 1 < c.order; ++k) {
    if (o.cutoffs[k] < 0 || o.cutoffs[k] > 65535)
      quit(-1, "buildlex : Error : the cut-off of %d-grams must be from 0 to "
               "65535, not %d.\n", k + 2, o.cutoffs[k]);
    c.cutoffs[k] = static_cast<cutoff_t>(o.cutoffs[k]);
  }
  if (o.fof_size < 1 || o.fof_size > 65535)
    quit(-1, "buildlex : Error : -fof_size must be from 1 to 65535, not %d.\n",
         o.fof_size);
  c.fof_size = static_cast<fof_sz_t>(o.fof_size);
  c.disc_ranges.assign(c.order, 0);
  for (int k = 0; k < c.order; ++k) {
    if (o.disc_ranges[k] < 0 || o.disc_ranges[k] > 65535)
      quit(-1, "buildlex : Error : the discounting range of %d-grams must be "
               "from 0 to 65535, not %d.\n", k + 1, o.disc_ranges[k]);
    c.disc_ranges[k] = static_cast<unsigned short>(o.disc_ranges[k]);
  }

  c.storage.four_byte_counts = o.four_byte_counts != 0;
  c.storage.four_byte_alphas = o.four_byte_alphas != 0;
  if (!std::isfinite(o.min_alpha) || !std::isfinite(o.max_alpha) ||
      !(o.min_alpha < o.max_alpha))
    quit(-1, "buildlex : Error : -min_alpha must be below -max_alpha.\n");
  if (o.out_of_range_alphas < 1 || o.out_of_range_alphas > 65534)
    quit(-1, "buildlex : Error : -out_of_range_alphas must be from 1 to 65534, "
             "not %d.\n", o.out_of_range_alphas);
  c.storage.min_alpha = o.min_alpha;
  c.storage.max_alpha = o.max_alpha;
  c.storage.out_of_range_alphas = o.out_of_range_alphas;
  c.verbosity = o.verbosity;
  return c;
}

}  // namespace lexkit

extern "C" void buildlex_default_options(buildlex_options *options) {
  memset(options, 0, sizeof *options);
  options->n = 3;
  // Katz's formula gives a range of 1 a ratio of 0, so every level starts
  // at 7 and compute_gt_discount lowers what its tallies do not support.
  for (int k = 0; k < BUILDLEX_MAX_ORDER; ++k) options->disc_ranges[k] = 7;
  options->fof_size = 10;
  options->min_alpha = -3.2;
  options->max_alpha = 2.5;
  options->out_of_range_alphas = 10000;
  options->verbosity = 2;
}
