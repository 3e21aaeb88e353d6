// The counting stages behind countlex_impl and picklex_impl.
#ifndef LEXKIT_LIBS_COUNTING_COUNTING_H
#define LEXKIT_LIBS_COUNTING_COUNTING_H

#include <stdio.h>

namespace lexkit {

// word_counter.cc: text -> word frequency list.
int CountWords(FILE *infp, FILE *outfp, int init_nwords, int verbosity);

// vocab_selection.cc: word frequency list -> vocabulary file.
int SelectVocabulary(FILE *ifp, FILE *ofp, int cutoff, int vocab_size,
                     int num_recs, int verbosity);

}  // namespace lexkit

#endif  // LEXKIT_LIBS_COUNTING_COUNTING_H
