// scorelex: a back-off model and a text -> the text's perplexity.
//
// The model comes from an ARPA file or a binary model file; the text (a
// file, or standard input) is one stream of words, each predicted from the
// words before it. The statistics go to standard output as "name value"
// lines; -probs writes each scored word's probability and back-off case.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "lexkit/ac_parsetext.h"
#include "lexkit/general.h"
#include "lexkit/model.h"
#include "lexkit/ngram.h"
#include "lexkit/pc_general.h"
#include "lexkit/scoring.h"
#include "lexkit/sih.h"
#include "libs/base/program_start.h"
#include "libs/io/output_file.h"

namespace {

const char kProg[] = "scorelex";

void help_message() {
  fprintf(stderr, "scorelex : Score a text with a back-off language model.\n");
  fprintf(stderr, "Usage : scorelex ( -arpa .arpa | -binary .binlm )\n");
  fprintf(stderr, "                 [ -text .text ]\n");
  fprintf(stderr, "                 [ -context .ccs ]\n");
  fprintf(stderr, "                 [ -backoff_from_unk_inc | -backoff_from_unk_exc ]\n");
  fprintf(stderr, "                 [ -backoff_from_ccs_inc | -backoff_from_ccs_exc ]\n");
  fprintf(stderr, "                 [ -backoff_from_list .fblist ]\n");
  fprintf(stderr, "                 [ -probs .probs ]\n");
  fprintf(stderr, "                 [ -verbosity 2 ]\n");
  fprintf(stderr, "                 < .text > .stats\n");
}

lexkit_model *open_model(const char *arpa_file, const char *binary_file) {
  char error[1024];
  lexkit_model *model = arpa_file != nullptr
                            ? lexkit_model_open_arpa(arpa_file, error, sizeof error)
                            : lexkit_model_open_binary(binary_file, error, sizeof error);
  if (model == nullptr) quit(-1, "%s : Error : %s\n", kProg, error);
  return model;
}

// One flag per word id: set for the words of the context cue file.
std::vector<flag> read_context_cues(const lexkit_model *model, const char *path,
                                    int verbosity) {
  std::vector<flag> cues(lexkit_model_vocab_size(model) + 1, 0);
  char **words = nullptr;
  vocab_sz_t count = 0;
  read_wlist_into_array(path, verbosity, &words, &count);
  for (vocab_sz_t i = 1; i <= count; ++i) {
    const wordid_t id = lexkit_model_index(model, words[i], strlen(words[i]));
    if (id == LEXKIT_NOT_IN_MODEL || strcmp(lexkit_model_word(model, id), words[i]) != 0)
      pc_message(static_cast<unsigned short>(verbosity), 1,
                 "%s : Warning : the context cue '%s' is not in the model's vocabulary.\n",
                 kProg, words[i]);
    else
      cues[id] = 1;
    free(words[i]);
  }
  free(words);
  return cues;
}

// The model's vocabulary as a string-to-id table, for the forced back-off
// list's words.
sih_t *vocabulary_table(const lexkit_model *model) {
  const vocab_sz_t size = static_cast<vocab_sz_t>(lexkit_model_vocab_size(model));
  sih_t *table = sih_create(2 * size + 1, 0, 0, 0);
  for (vocab_sz_t id = 1; id <= size; ++id)
    sih_add(table, salloc(lexkit_model_word(model, static_cast<wordid_t>(id))), id);
  return table;
}

}  // namespace

int main(int argc, char **argv) {
  lexkit::TakeHelpAndVersion(&argc, argv, help_message, lexkit::FirstOption::kHelp);
  const char *arpa_file = pc_stringarg(&argc, argv, "-arpa", nullptr);
  const char *binary_file = pc_stringarg(&argc, argv, "-binary", nullptr);
  const char *text_file = pc_stringarg(&argc, argv, "-text", nullptr);
  const char *context_file = pc_stringarg(&argc, argv, "-context", nullptr);
  const char *fb_list_file = pc_stringarg(&argc, argv, "-backoff_from_list", nullptr);
  const char *probs_file = pc_stringarg(&argc, argv, "-probs", nullptr);
  const flag unk_inc = static_cast<flag>(pc_flagarg(&argc, argv, "-backoff_from_unk_inc"));
  const flag unk_exc = static_cast<flag>(pc_flagarg(&argc, argv, "-backoff_from_unk_exc"));
  const flag ccs_inc = static_cast<flag>(pc_flagarg(&argc, argv, "-backoff_from_ccs_inc"));
  const flag ccs_exc = static_cast<flag>(pc_flagarg(&argc, argv, "-backoff_from_ccs_exc"));
  const int verbosity = pc_intarg(&argc, argv, "-verbosity", 2);
  pc_report_unk_args(&argc, argv, verbosity);
  const unsigned short v = static_cast<unsigned short>(verbosity);

  if ((arpa_file == nullptr) == (binary_file == nullptr)) {
    help_message();
    quit(-1, "%s : Error : give one of -arpa and -binary.\n", kProg);
  }
  if ((ccs_inc || ccs_exc) && context_file == nullptr)
    quit(-1, "%s : Error : -backoff_from_ccs_inc and -backoff_from_ccs_exc need -context.\n",
         kProg);

  // Checked before any work; written in full or not at all.
  std::unique_ptr<lexkit::OutputFile> probs;
  if (probs_file != nullptr) probs = std::make_unique<lexkit::OutputFile>(probs_file);

  pc_message(v, 2, "%s : Reading the model from %s...\n", kProg,
             arpa_file != nullptr ? arpa_file : binary_file);
  lexkit_model *model = open_model(arpa_file, binary_file);

  std::vector<flag> cues;
  if (context_file != nullptr) cues = read_context_cues(model, context_file, verbosity);
  fb_info *backoff = nullptr;
  if (unk_inc || unk_exc || ccs_inc || ccs_exc || fb_list_file != nullptr) {
    sih_t *table = fb_list_file != nullptr ? vocabulary_table(model) : nullptr;
    backoff = gen_fb_list(table, static_cast<vocab_sz_t>(lexkit_model_vocab_size(model)),
                          nullptr, cues.empty() ? nullptr : cues.data(), unk_inc, unk_exc,
                          ccs_inc, ccs_exc, fb_list_file != nullptr ? fb_list_file : "");
  }

  FILE *text = text_file != nullptr ? ox_iopen(text_file) : stdin;
  pc_message(v, 2, "%s : Scoring the text...\n", kProg);
  scorelex_impl(model, text, cues.empty() ? nullptr : cues.data(), backoff,
                probs ? probs->stream() : nullptr, stdout);
  if (text != stdin) ox_iclose(text);
  if (probs) probs->Commit();
  if (fflush(stdout) != 0 || ferror(stdout))
    quit(-1, "%s : Error writing the statistics: %s\n", kProg, strerror(errno));
  free(backoff);
  lexkit_model_close(model);
  pc_message(v, 0, "scorelex : Done.\n");
  return 0;
}
