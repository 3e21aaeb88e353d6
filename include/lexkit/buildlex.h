/* lexkit: building a back-off language model from an id n-gram file and its
 * vocabulary, written as an ARPA text model and/or a binary model. */
#ifndef LEXKIT_BUILDLEX_H
#define LEXKIT_BUILDLEX_H

#include "general.h"

#ifdef __cplusplus
extern "C" {
#endif

#define BUILDLEX_MAX_ORDER 10

/* What to build. A null file name is an absent option; at least one of
 * arpa_filename and bin_filename must be given. */
typedef struct {
  const char *idngram_filename; /* binary, or ASCII with ascii_input; "-" */
  const char *vocab_filename;   /* word list or saved ".vocab_ht" table */
  const char *context_cues_filename; /* words never predicted, or null */
  const char *arpa_filename;
  const char *bin_filename;
  int n;                        /* order, 1 to BUILDLEX_MAX_ORDER */
  flag ascii_input;
  /* At most one method; none is Good-Turing. */
  flag good_turing, absolute, linear, witten_bell;
  flag closed_vocabulary;       /* else open: id 0 is <unk> of the model */
  int cutoffs[BUILDLEX_MAX_ORDER];     /* entry k-2: cut-off of k-grams */
  int disc_ranges[BUILDLEX_MAX_ORDER]; /* Good-Turing range per level */
  int fof_size;                 /* largest count Good-Turing tallies */
  flag four_byte_counts, four_byte_alphas;
  double min_alpha, max_alpha;  /* log10 range of two-byte back-off weights */
  int out_of_range_alphas;      /* two-byte weights kept exactly outside it */
  int verbosity;
} buildlex_options;

/* Fills `options` with the defaults: order 3, Good-Turing, open
 * vocabulary, cut-offs 0, Good-Turing ranges 7, fof_size 10,
 * two-byte counts and back-off weights over [-3.2, 2.5] with 10000 exact
 * ones outside, verbosity 2, no file names. */
LEXKIT_EXPORT void buildlex_default_options(buildlex_options *options);

/* Builds the model and writes it. Every failure ends the process with
 * status 255 and leaves no output file behind. */
LEXKIT_EXPORT void buildlex_impl(const buildlex_options *options);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_BUILDLEX_H */
