/* lexkit: word-list and vocabulary readers and their warnings. */
#ifndef LEXKIT_AC_PARSETEXT_H
#define LEXKIT_AC_PARSETEXT_H

#include "general.h"
#include "sih.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Warns on stderr when a (non-comment) line begins with a single "#". */
LEXKIT_EXPORT void warn_on_wrong_vocab_comments(const char *sent_str);
/* Warns on stderr that `str` occurs twice in a vocabulary. */
LEXKIT_EXPORT void warn_on_repeated_words(const char *str);

/* Word list -> array of words by id (entry 0 left to the caller). */
LEXKIT_EXPORT void read_wlist_into_array(const char *wlist_filename,
                                         int verbosity, char ***p_wlist,
                                         vocab_sz_t *p_n_wlist);
/* Word list -> string-to-id table, ids 1, 2, 3, ... in line order. */
LEXKIT_EXPORT void read_wlist_into_siht(const char *wlist_filename,
                                        int verbosity, sih_t *p_word_id_ht,
                                        vocab_sz_t *p_n_wlist);

/* Loads a vocabulary: a saved table if the name ends in ".vocab_ht" (or is
 * "vocab_ht"), a word list otherwise. */
LEXKIT_EXPORT void read_voc(const char *filename, int verbosity,
                            sih_t *p_vocab_ht, char ***p_vocab,
                            vocab_sz_t *p_vocab_size);
LEXKIT_EXPORT void get_vocab_from_vocab_ht(sih_t *ht, vocab_sz_t vocab_size,
                                           int verbosity, char ***p_vocab);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_AC_PARSETEXT_H */
