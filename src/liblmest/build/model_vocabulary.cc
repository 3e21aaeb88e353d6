#include "liblmest/build/model_vocabulary.h"

#include <stdlib.h>

#include "lexkit/ac_parsetext.h"
#include "lexkit/pc_general.h"

namespace lexkit {

ModelVocabulary LoadModelVocabulary(const BuildConfig &config) {
  const auto v = static_cast<unsigned short>(config.verbosity);
  ModelVocabulary vocab;
  vocab.closed = config.closed;
  vocab.table = sih_create(0, 0, 0, 0);
  read_voc(config.vocab_file.c_str(), config.verbosity >= 2, vocab.table,
           &vocab.words, &vocab.size);
  if (vocab.size >= static_cast<vocab_sz_t>(UINT32_MAX) - 1)
    quit(-1, "buildlex : Error : the vocabulary %s has too many words.\n",
         config.vocab_file.c_str());
  vocab.cue.assign(static_cast<size_t>(vocab.size) + 1, 0);
  if (!config.context_file.empty()) {
    char **cues = nullptr;
    vocab_sz_t listed = 0;
    read_wlist_into_array(config.context_file.c_str(), config.verbosity >= 2,
                          &cues, &listed);
    for (vocab_sz_t i = 1; i <= listed; ++i) {
      vocab_sz_t id = 0;
      if (sih_lookup(vocab.table, cues[i], &id) && id > 0 && id <= vocab.size) {
        vocab.cues += !vocab.cue[id];
        vocab.cue[id] = 1;
      } else {
        pc_message(v, 1,
                   "Warning : context cue \"%s\" of %s is not in the "
                   "vocabulary; it is ignored.\n",
                   cues[i], config.context_file.c_str());
      }
      free(cues[i]);
    }
    free(cues);
  }
  bool any = false;
  for (vocab_sz_t id = 0; id <= vocab.size && !any; ++id)
    any = vocab.predicted(static_cast<wordid_t>(id));
  if (!any)
    quit(-1, "buildlex : Error : the closed vocabulary %s has no word to "
             "predict (every word is a context cue, or there is none).\n",
         config.vocab_file.c_str());
  return vocab;
}

}  // namespace lexkit
