// scorelex's work in the library: the text's words, read as the
// text-to-n-gram buffer reads them, through the text scorer, then the
// report.
#include "lexkit/scoring.h"
#include "libs/io/word_reader.h"
#include "liblmest/model/model_handle.h"
#include "liblmest/model/text_scorer.h"

extern "C" void scorelex_impl(const lexkit_model *model, FILE *text_fp,
                              const flag *context_cue, const fb_info *backoff,
                              FILE *probs_fp, FILE *report_fp) {
  constexpr size_t kMaxWordLength = 499;
  const lexkit::model::Model &m = *model->model;
  lexkit::model::TextScorer scorer(m, context_cue, backoff, probs_fp);
  lexkit::WordReader words(text_fp, kMaxWordLength);
  std::string_view word;
  lexkit::WordReader::Status status;
  while ((status = words.Next(&word)) == lexkit::WordReader::Status::kWord) scorer.Add(word);
  if (status == lexkit::WordReader::Status::kError)
    quit(-1, "scorelex_impl: could not read the text\n");
  lexkit::model::WriteReport(scorer.stats(), m.order(), report_fp);
}
