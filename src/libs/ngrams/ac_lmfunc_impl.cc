// Entry points of the programs' implementations, the text-to-id-n-gram
// conversion and the merges. The work is done in the C++ stages of the
// counting, vocabulary and n-gram layers; this file holds the C boundary and the module state.
#include "lexkit/ac_lmfunc_impl.h"

#include <stdio.h>

#include "libs/base/parallel.h"
#include "libs/counting/counting.h"
#include "libs/ngrams/ngram_stages.h"
#include "libs/vocabulary/vocab_index.h"

namespace {

// Row length of the text buffer's comparison (set by read_txt2ngram_buffer).
int ng = 0;
// Number of ids compared by compare_ngrams3 (set by merge_idngramfiles).
int n = 0;

}  // namespace

extern "C" int countlex_impl(FILE *infp, FILE *outfp, int init_nwords,
                             int verbosity) {
  return lexkit::CountWords(infp, outfp, init_nwords, verbosity);
}

extern "C" int picklex_impl(FILE *ifp, FILE *ofp, int cutoff, int vocab_size,
                            int num_recs, int verbosity) {
  return lexkit::SelectVocabulary(ifp, ofp, cutoff, vocab_size, num_recs,
                                  verbosity);
}

extern "C" int read_vocab(const char *vocab_filename, int verbosity,
                          struct idngram_hash_table *vocabulary, int M) {
  return lexkit::LoadVocabIndex(vocab_filename, verbosity, vocabulary, M,
                                lexkit::WorkerCount());
}

extern "C" vocab_sz_t count_vocab_entries(const char *vocab_filename) {
  return lexkit::CountVocabEntries(vocab_filename);
}

extern "C" int read_txt2ngram_buffer(FILE *infp,
                                     struct idngram_hash_table *vocabulary,
                                     int32 verbosity, wordid_t *buffer,
                                     int buffer_size, unsigned int n_order,
                                     const char *temp_file_root,
                                     const char *temp_file_ext,
                                     FILE *temp_file) {
  (void)temp_file;  // each temporary file is opened and closed inside
  ng = static_cast<int>(n_order);
  return lexkit::TextToNgramFiles(infp, vocabulary, verbosity, buffer,
                                  buffer_size, n_order, temp_file_root,
                                  temp_file_ext, lexkit::WorkerCount());
}

extern "C" int get_word(FILE *fp, char *word) {
  int rt = fscanf(fp, "%499s", word);
  if (rt == 1) return 1;
  if (rt == EOF && !ferror(fp)) return 0;
  quit(-1, "Error reading file");
}

extern "C" void add_to_buffer(wordid_t word_index, int ypos, int xpos,
                              wordid_t *buffer) {
  buffer[xpos + ypos * ng] = word_index;
}

extern "C" wordid_t buffer_contents(int ypos, int xpos, wordid_t *buffer) {
  return buffer[xpos + ypos * ng];
}

extern "C" int compare_ngrams(const void *ngram1, const void *ngram2) {
  const wordid_t *a = static_cast<const wordid_t *>(ngram1);
  const wordid_t *b = static_cast<const wordid_t *>(ngram2);
  for (int i = 0; i < ng; ++i) {
    if (a[i] < b[i]) return -1;
    if (a[i] > b[i]) return 1;
  }
  return 0;
}

extern "C" void merge_tempfiles(int start_file, int end_file,
                                const char *temp_file_root,
                                const char *temp_file_ext, int max_files,
                                FILE *outfile, int n_words, int verbosity) {
  lexkit::MergeTextNgramFiles(start_file, end_file, temp_file_root,
                              temp_file_ext, max_files, outfile, n_words,
                              verbosity);
}

// The reverse of the usual comparator sign: 1 when ngram1 sorts first.
extern "C" int compare_ngrams3(const void *ngram1, const void *ngram2) {
  const wordid_t *a = static_cast<const wordid_t *>(ngram1);
  const wordid_t *b = static_cast<const wordid_t *>(ngram2);
  for (int i = 0; i < n; ++i) {
    if (a[i] < b[i]) return 1;
    if (a[i] > b[i]) return -1;
  }
  return 0;
}

extern "C" void merge_idngramfiles(int start_file, int end_file,
                                   const char *temp_file_root,
                                   const char *temp_file_ext, int max_files,
                                   FILE *outfile, flag write_ascii,
                                   int fof_size, int n_order) {
  n = n_order;
  lexkit::MergeIdNgramFiles(start_file, end_file, temp_file_root,
                            temp_file_ext, max_files, outfile,
                            write_ascii != 0, fof_size, n_order);
}
