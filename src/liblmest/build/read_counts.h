// The first stage of the pipeline: the records of a sorted id n-gram file
// become the levels of the model. Level k holds the (k+1)-word prefixes of
// the records with their totals, so every entry's count is the sum of its
// successors' counts (as calc_mem_req counts them). A k-gram above the
// unigrams is kept when its count is greater than its cut-off and its
// context is kept. Every k-gram whose last word is predicted is tallied for
// the discounting method, kept or not.
//
// Records are checked as they come (in each pass); each fault ends the
// process naming the file and the record: an id beyond the vocabulary, a
// count of 0 or less, a record repeated or out of order, a total beyond 32
// bits.
#ifndef LEXKIT_LIBLMEST_BUILD_READ_COUNTS_H
#define LEXKIT_LIBLMEST_BUILD_READ_COUNTS_H

#include <stdint.h>

#include "liblmest/build/build_config.h"
#include "liblmest/build/idngram_source.h"
#include "liblmest/build/model_tables.h"
#include "liblmest/build/model_vocabulary.h"

namespace lexkit {

struct CountSummary {
  uint64_t records = 0;  // records read
  uint64_t left_out = 0; // records with the unknown word, left out of a
                         // closed-vocabulary model
  int64_t tokens = 0;    // the total count of the records kept
};

// The checks alone, in a pass of their own that counts the records, for a
// file whose size does not tell their number. Progress marks at verbosity 2.
uint64_t CountIdNgrams(const BuildConfig &config, const ModelVocabulary &vocab,
                       IdNgramSource *source);

// The levels and the tallies, with progress marks at verbosity 2 when
// `marks` (the pass is then the only one).
CountSummary ReadCounts(const BuildConfig &config, const ModelVocabulary &vocab,
                        IdNgramSource *source, ModelTables *tables,
                        const disc_meth_t *method, bool marks);

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_BUILD_READ_COUNTS_H
