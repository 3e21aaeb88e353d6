/* lexkit: scalar types of the language-model estimator. The widths and
 * signedness are part of the interface: they bound counts and sizes. */
#ifndef LEXKIT_TOOLKIT_H
#define LEXKIT_TOOLKIT_H

#include "general.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef wordid_t id__t;          /* a word id inside model tables */
typedef wordid_t index__t;       /* a short index: position within a block */
typedef uint16_t count_ind_t;    /* two-byte count entry, or count table size */
typedef uint16_t bo_weight_t;    /* two-byte back-off weight */
typedef float four_byte_t;       /* four-byte back-off weight */
typedef int32_t ptr_tab_t;       /* pointer table entry of short indices */
typedef uint16_t ptr_tab_sz_t;   /* entries used in a pointer table */
typedef int32_t table_size_t;    /* entries to allocate for one level */
typedef uint16_t cutoff_t;       /* a count cut-off */
typedef uint32_t fof_sz_t;       /* largest count a fof table tallies */
typedef double disc_val_t;       /* a discount ratio */
typedef double uni_probs_t;      /* a unigram probability or its log */

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_TOOLKIT_H */
