/* lexkit: scoring with a back-off n-gram model.
 *
 * A model is opened from an ARPA file (this toolkit's or any other's) or
 * from the toolkit's binary model file, and is then read-only: any number
 * of threads may score with one model at once. Nothing here ends the
 * process: a failure returns null or -1 and, when `error` is not null,
 * leaves a NUL-ended message of at most error_size - 1 bytes in it.
 *
 * Words have the ids 0..vocab_size: 0 is the unknown word <unk>, the
 * others follow the model's vocabulary. An open model gives its <unk>
 * probability to every word it does not know; a closed one does not list
 * <unk> and cannot score such words (lookups report LEXKIT_NOT_IN_MODEL).
 * Probabilities are log10 values. */
#ifndef LEXKIT_MODEL_H
#define LEXKIT_MODEL_H

#include <stddef.h>
#include <stdint.h>

#include "general.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct lexkit_model lexkit_model;

/* What lexkit_model_index gives for a word that a closed model lacks. */
#define LEXKIT_NOT_IN_MODEL 0xFFFFFFFFu

/* Opening and releasing. */
LEXKIT_EXPORT lexkit_model *lexkit_model_open_arpa(const char *path,
                                                   char *error,
                                                   size_t error_size);
LEXKIT_EXPORT lexkit_model *lexkit_model_open_binary(const char *path,
                                                     char *error,
                                                     size_t error_size);
/* Writes the model as a binary model file (complete, or not at all: the
 * file appears under `path` only once it is whole). 0, or -1 on failure. */
LEXKIT_EXPORT int lexkit_model_save_binary(const lexkit_model *model,
                                           const char *path, char *error,
                                           size_t error_size);
/* Releases the model; null is allowed. */
LEXKIT_EXPORT void lexkit_model_close(lexkit_model *model);

/* The model's order (1 for unigrams, 3 for trigrams, ...). */
LEXKIT_EXPORT int lexkit_model_order(const lexkit_model *model);
/* The number of words besides <unk>: ids run from 0 to this number. */
LEXKIT_EXPORT uint64_t lexkit_model_vocab_size(const lexkit_model *model);
/* The number of n-grams of order n (1..order) as an ARPA file declares
 * it; 0 for any other n. */
LEXKIT_EXPORT uint64_t lexkit_model_ngram_count(const lexkit_model *model,
                                                int n);
/* 1 for a closed model (no <unk> probability), 0 for an open one. */
LEXKIT_EXPORT int lexkit_model_is_closed(const lexkit_model *model);

/* The id of the `length` bytes at `word`: 0 for an unknown word of an open
 * model, LEXKIT_NOT_IN_MODEL for one of a closed model. */
LEXKIT_EXPORT wordid_t lexkit_model_index(const lexkit_model *model,
                                          const char *word, size_t length);
/* The word of an id (NUL-ended, owned by the model), null when the id is
 * above the vocabulary size. */
LEXKIT_EXPORT const char *lexkit_model_word(const lexkit_model *model,
                                            wordid_t id);

/* log10 P(word | context): `context` holds context_length ids, the oldest
 * first; only the last order - 1 count, and a shorter context simply gives
 * less history. An id above the vocabulary size (LEXKIT_NOT_IN_MODEL
 * among them) stands for <unk>. When bo_case is not null it receives the
 * back-off case, as decode_bo_case prints it with a context length of
 * order - 1: from the longest context down, one base-4 digit per order the
 * prediction backed off from, 1 where that context was in the model and
 * its back-off weight was applied, 2 where it was not (or was not given);
 * 0 for every digit below the order whose n-gram was found. Each thread
 * remembers the context its last call ended with: a text scored word after
 * word, each call giving the context of the word the call before scored,
 * needs no search for its contexts. */
LEXKIT_EXPORT double lexkit_model_prob(const lexkit_model *model,
                                       const wordid_t *context,
                                       size_t context_length, wordid_t word,
                                       int *bo_case);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_MODEL_H */
