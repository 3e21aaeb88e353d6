// Everything that decides how a model is built, checked once from the
// options of buildlex_impl and then read by every stage of the pipeline.
#ifndef LEXKIT_LIBLMEST_BUILD_BUILD_CONFIG_H
#define LEXKIT_LIBLMEST_BUILD_BUILD_CONFIG_H

#include <string>
#include <vector>

#include "lexkit/buildlex.h"
#include "lexkit/ngram.h"
#include "liblmest/build/model_tables.h"

namespace lexkit {

struct BuildConfig {
  std::string idngram_file;
  std::string vocab_file;
  std::string context_file;  // empty: no context cues
  std::string arpa_file;     // empty: no ARPA model
  std::string binary_file;   // empty: no binary model
  int order = 3;
  bool ascii_input = false;
  // The method options as given, for init_ng_disc_method.
  flag good_turing = 0, absolute = 0, linear = 0, witten_bell = 0;
  bool closed = false;
  // cutoffs[k - 2] is the cut-off of k-grams (one spare entry, so that the
  // record's array is never empty).
  std::vector<cutoff_t> cutoffs;
  std::vector<unsigned short> disc_ranges;  // per level
  fof_sz_t fof_size = 10;
  StorageConfig storage;
  int verbosity = 2;
};

// The configuration of `options`; an option out of its range ends the
// process with a message naming it.
BuildConfig MakeBuildConfig(const buildlex_options &options);

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_BUILD_BUILD_CONFIG_H
