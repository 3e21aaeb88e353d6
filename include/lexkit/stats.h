/* lexkit: n-gram statistics output and the Good-Turing discount. */
#ifndef LEXKIT_STATS_H
#define LEXKIT_STATS_H

#include "general.h"
#include "toolkit.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Progress marks while the text-to-n-gram buffer fills: a "." every 20,000
 * n-grams and a line end every 1,000,000, at verbosity 2 or more. */
LEXKIT_EXPORT void show_idngram_nlines(int nlines, int verbosity);

/* Reports a corrupt id n-gram input (a count of 0 or less) and ends the
 * process. */
LEXKIT_EXPORT void show_idngram_corruption_mesg(void)
#if defined(__GNUC__)
    __attribute__((noreturn))
#endif
    ;

/* Prints the number of distinct n-grams of each order 2..n and their
 * frequency-of-frequency tallies 1..fof_size. Entry m-2 belongs to order m. */
LEXKIT_EXPORT void display_fof_array(ngram_sz_t *num_kgrams, fof_t **fof_array,
                                     fof_sz_t fof_size, FILE *fp, int n);

/* Good-Turing (Katz) discount ratios for counts 1..*disc_range of one order;
 * may lower *disc_range where the tallies do not support it. */
LEXKIT_EXPORT void compute_gt_discount(int order, fof_t *freq_of_freq,
                                       int fof_size,
                                       unsigned short *disc_range, int cutoff,
                                       int verbosity,
                                       disc_val_t **discounted_values);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_STATS_H */
