// The two warnings shared by every reader of vocabulary-like files.
#include <stdio.h>

#include "lexkit/ac_parsetext.h"
#include "libs/vocabulary/vocab_warnings.h"

namespace {

bool g_show = true;

}  // namespace

void lexkit::ShowVocabularyWarnings(bool show) { g_show = show; }

extern "C" void warn_on_wrong_vocab_comments(const char *sent_str) {
  if (sent_str[0] != '#' || !g_show) return;
  fprintf(stderr, "\n\n===========================================================\n");
  fprintf(stderr, ":\nWARNING: line assumed NOT a comment:\n");
  fprintf(stderr, ">>> %s <<<\n", sent_str);
  fprintf(stderr, "         '%s' will be included in the vocabulary.\n", sent_str);
  fprintf(stderr, "         (comments must start with '##')\n");
  fprintf(stderr, "===========================================================\n\n");
}

extern "C" void warn_on_repeated_words(const char *str) {
  if (!g_show) return;
  fprintf(stderr, "======================================================\n");
  fprintf(stderr, "WARNING: word %s is repeated in the vocabulary.\n", str);
  fprintf(stderr, "=======================================================\n");
}
