/* lexkit: the programs' implementations, text to id n-grams, and the merges
 * of temporary and id n-gram files. */
#ifndef LEXKIT_AC_LMFUNC_IMPL_H
#define LEXKIT_AC_LMFUNC_IMPL_H

#include "ac_hash.h"
#include "general.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Text -> word frequency list ("%s %d\n" per word, in table chain order). */
LEXKIT_EXPORT int countlex_impl(FILE *infp, FILE *outfp, int init_nwords,
                                int verbosity);

/* Word frequency list -> vocabulary file (top mode or gt mode). */
LEXKIT_EXPORT int picklex_impl(FILE *ifp, FILE *ofp, int cutoff,
                               int vocab_size, int num_recs, int verbosity);

/* Loads a vocabulary file into `vocabulary` (created with M chains); the
 * words get the ids 1, 2, 3, ... in file order. */
LEXKIT_EXPORT int read_vocab(const char *vocab_filename, int verbosity,
                             struct idngram_hash_table *vocabulary, int M);
/* The number of ids read_vocab gives the words of a vocabulary file,
 * repeated words included: the table it fills needs more chains than that. */
LEXKIT_EXPORT vocab_sz_t count_vocab_entries(const char *vocab_filename);

/* Text -> sorted temporary files of distinct id n-grams with counts, named
 * "%s/%hu%s" from temp_file_root, 1, 2, 3, ... and temp_file_ext, each
 * holding at most buffer_size n-grams. The batches are kept in memory of
 * the call's own: `buffer` is not used and may be null. Returns the number
 * of files written. */
LEXKIT_EXPORT int read_txt2ngram_buffer(FILE *infp,
                                        struct idngram_hash_table *vocabulary,
                                        int32 verbosity, wordid_t *buffer,
                                        int buffer_size, unsigned int n,
                                        const char *temp_file_root,
                                        const char *temp_file_ext,
                                        FILE *temp_file);
LEXKIT_EXPORT int get_word(FILE *fp, char *word);
LEXKIT_EXPORT void add_to_buffer(wordid_t word_index, int ypos, int xpos,
                                 wordid_t *buffer);
LEXKIT_EXPORT wordid_t buffer_contents(int ypos, int xpos, wordid_t *buffer);
LEXKIT_EXPORT int compare_ngrams(const void *ngram1, const void *ngram2);

/* Merges sorted word n-gram text files start_file..end_file into outfile. */
LEXKIT_EXPORT void merge_tempfiles(int start_file, int end_file,
                                   const char *temp_file_root,
                                   const char *temp_file_ext, int max_files,
                                   FILE *outfile, int n, int verbosity);

/* Merges sorted temporary id n-gram files into one id n-gram file and
 * prints the frequency-of-frequency statistics. */
LEXKIT_EXPORT int compare_ngrams3(const void *ngram1, const void *ngram2);
LEXKIT_EXPORT void merge_idngramfiles(int start_file, int end_file,
                                      const char *temp_file_root,
                                      const char *temp_file_ext,
                                      int max_files, FILE *outfile,
                                      flag write_ascii, int fof_size,
                                      int n_order);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_AC_LMFUNC_IMPL_H */
