// The n-gram stages behind the entry points of ac_lmfunc_impl: text to
// sorted temporary id n-gram files, and the two merges.
#ifndef LEXKIT_LIBS_NGRAMS_NGRAM_STAGES_H
#define LEXKIT_LIBS_NGRAMS_NGRAM_STAGES_H

#include <stdio.h>

#include <functional>

#include "lexkit/ac_hash.h"
#include "lexkit/general.h"

namespace lexkit {

class FofStats;

// ngram_buffer.cc: text -> sorted temporary id n-gram files, with up to
// `threads` threads (this one included) sharing the work; the files do not
// depend on their number.
int TextToNgramFiles(FILE *infp, struct idngram_hash_table *vocabulary,
                     int verbosity, wordid_t *buffer, int buffer_size,
                     unsigned int n, const char *temp_file_root,
                     const char *temp_file_ext, unsigned threads);

// The parts of a text, read one after another: each call gives the next
// stream, or null when there is none (the stream given before it is no
// longer read). The n-grams are those of each part on its own: a part
// begins its windows afresh, so it begins n - 1 words before the first word
// whose n-grams it should give (text_ranges.h, StartOfPrecedingWords).
using TextParts = std::function<FILE *()>;

// TextToNgramFiles over the parts of a text.
int TextToNgramFiles(const TextParts &parts, struct idngram_hash_table *vocabulary,
                     int verbosity, wordid_t *buffer, int buffer_size,
                     unsigned int n, const char *temp_file_root,
                     const char *temp_file_ext, unsigned threads);

// text_merge.cc: merge of sorted word n-gram text files.
void MergeTextNgramFiles(int start_file, int end_file,
                         const char *temp_file_root, const char *temp_file_ext,
                         int max_files, FILE *outfile, int n, int verbosity);

// idngram_merge.cc: merge of sorted temporary id n-gram files. The
// statistics are printed on stderr, or, given a `tally`, added to it (with
// its own table size; `fof_size` is then not used) and not printed.
void MergeIdNgramFiles(int start_file, int end_file,
                       const char *temp_file_root, const char *temp_file_ext,
                       int max_files, FILE *outfile, bool write_ascii,
                       int fof_size, int n_order, FofStats *tally = nullptr);

}  // namespace lexkit

#endif  // LEXKIT_LIBS_NGRAMS_NGRAM_STAGES_H
