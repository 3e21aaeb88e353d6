// scorelex's work in the library: the text's words, read as the
// text-to-n-gram buffer reads them, through the text scorer, then the
// report.
#include <string>
#include <string_view>
#include <vector>

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
  // The words go to the scorer in runs, copied (a word read lasts until the
  // next is read), so that their lookups overlap.
  constexpr size_t kRun = 512;
  std::string run;
  std::vector<size_t> ends;
  std::vector<std::string_view> views;
  const auto score_run = [&] {
    views.clear();
    for (size_t w = 0, start = 0; w < ends.size(); start = ends[w++])
      views.emplace_back(run.data() + start, ends[w] - start);
    scorer.Add(views.data(), views.size());
    run.clear();
    ends.clear();
  };
  std::string_view word;
  lexkit::WordReader::Status status;
  while ((status = words.Next(&word)) == lexkit::WordReader::Status::kWord) {
    run.append(word);
    ends.push_back(run.size());
    if (ends.size() == kRun) score_run();
  }
  score_run();
  if (status == lexkit::WordReader::Status::kError)
    quit(-1, "scorelex_impl: could not read the text\n");
  lexkit::model::WriteReport(scorer.stats(), m.order(), report_fp);
}
