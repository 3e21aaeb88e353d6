/* lexkit: scoring a text with a back-off model, as scorelex does. Unlike
 * the scoring API of model.h, this is a program's implementation: a read or
 * write error ends the process with status 255. */
#ifndef LEXKIT_SCORING_H
#define LEXKIT_SCORING_H

#include "general.h"
#include "model.h"
#include "ngram.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Reads the text as one stream of white-space-delimited words (a longer run
 * than 499 bytes is taken in 499-byte pieces, and a word ends at a NUL
 * byte), predicting each word from the words before it across line ends,
 * and writes the statistics on report_fp as "name value" lines: words_read,
 * words_scored, oov_words, context_cues, log10_prob, perplexity,
 * entropy_bits, then found_1gram .. found_<order>gram (the share of scored
 * words whose prediction found an n-gram of that order).
 *
 * A word whose context_cue flag is set is never scored but enters the
 * history. A word the model lacks is scored as <unk> by an open model;
 * a closed model does not score it, and it enters the history as <unk>.
 * Where the history holds a word whose back-off mark is set, the context is
 * cut at the nearest such word, keeping it (inclusive) or not (exclusive).
 * context_cue and backoff have one entry per id 0..vocab size, or are null.
 * probs_fp, when not null, gets one line per scored word: the word, its
 * log10 probability and its back-off annotation (decode_bo_case). */
LEXKIT_EXPORT void scorelex_impl(const lexkit_model *model, FILE *text_fp,
                                 const flag *context_cue,
                                 const fb_info *backoff, FILE *probs_fp,
                                 FILE *report_fp);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_SCORING_H */
