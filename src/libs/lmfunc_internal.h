// The C++ implementations behind the entry points of ac_lmfunc_impl.
#ifndef LEXKIT_LMFUNC_INTERNAL_H
#define LEXKIT_LMFUNC_INTERNAL_H

#include <stdio.h>

#include "ac_hash.h"
#include "general.h"

namespace lexkit {

// word_counter.cc: text -> word frequency list.
int CountWords(FILE *infp, FILE *outfp, int init_nwords, int verbosity);

// vocab_selection.cc: word frequency list -> vocabulary file.
int SelectVocabulary(FILE *ifp, FILE *ofp, int cutoff, int vocab_size,
                     int num_recs, int verbosity);

// vocab_index.cc: vocabulary file -> vocabulary index table.
int LoadVocabIndex(const char *vocab_filename, int verbosity,
                   struct idngram_hash_table *vocabulary, int M);

// ngram_buffer.cc: text -> sorted temporary id n-gram files.
int TextToNgramFiles(FILE *infp, struct idngram_hash_table *vocabulary,
                     int verbosity, wordid_t *buffer, int buffer_size,
                     unsigned int n, const char *temp_file_root,
                     const char *temp_file_ext);

// text_merge.cc: merge of sorted word n-gram text files.
void MergeTextNgramFiles(int start_file, int end_file,
                         const char *temp_file_root, const char *temp_file_ext,
                         int max_files, FILE *outfile, int n, int verbosity);

// idngram_merge.cc: merge of sorted temporary id n-gram files.
void MergeIdNgramFiles(int start_file, int end_file,
                       const char *temp_file_root, const char *temp_file_ext,
                       int max_files, FILE *outfile, bool write_ascii,
                       int fof_size, int n_order);

}  // namespace lexkit

#endif  // LEXKIT_LMFUNC_INTERNAL_H
