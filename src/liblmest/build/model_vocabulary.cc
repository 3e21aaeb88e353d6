#include "liblmest/build/model_vocabulary.h"

#include <stdlib.h>

#include <string_view>

#include "lexkit/ac_parsetext.h"
#include "lexkit/pc_general.h"
#include "libs/base/key_arena.h"
#include "libs/vocabulary/saved_table_name.h"
#include "libs/vocabulary/word_list.h"

namespace lexkit {
namespace {

constexpr char kUnknown[] = "<unk>";

// The words of a word list, in one pass.
void ReadWordList(const std::string &name, ModelVocabulary *vocab) {
  FILE *fp = ox_iopen(name.c_str());
  VocabLines lines(fp);
  vocab->words.Add(kUnknown);
  while (lines.Next()) {
    warn_on_wrong_vocab_comments(lines.line());
    vocab->words.Add(std::string_view(lines.word(), lines.word_length()));
  }
  if (lines.failed())
    quit(-1, "buildlex : Error : could not read the vocabulary %s\n", name.c_str());
  ox_iclose(fp);
  vocab->size = static_cast<vocab_sz_t>(vocab->words.size()) - 1;
}

// The words of a saved table, which read_voc loads; the table stays, for
// the context cues.
sih_t *ReadSavedTable(const std::string &name, int verbosity, ModelVocabulary *vocab) {
  sih_t *table = sih_create(0, 0, 0, 0);
  char **words = nullptr;
  read_voc(name.c_str(), verbosity >= 2, table, &words, &vocab->size);
  vocab->words.Add(kUnknown);
  for (vocab_sz_t id = 1; id <= vocab->size; ++id) vocab->words.Add(words[id]);
  free(words[0]);
  free(words);
  return table;
}

// The word -> id table of the words; a word listed twice keeps the id of
// its first line, as read_wlist_into_siht gives it.
sih_t *TableOf(const ModelVocabulary &vocab) {
  sih_t *table = sih_create(0, 0, 0, 0);
  for (vocab_sz_t id = 1; id <= vocab.size; ++id) {
    const std::string_view word = vocab.words.word(static_cast<uint32_t>(id));
    char *key = KeyArena().CopyString(word.data(), word.size());
    vocab_sz_t first_id;
    if (!sih_lookup(table, key, &first_id)) sih_add(table, key, id);
  }
  return table;
}

// Marks the words of the context cues file.
void ReadContextCues(const BuildConfig &config, sih_t *table, ModelVocabulary *vocab) {
  const auto v = static_cast<unsigned short>(config.verbosity);
  char **cues = nullptr;
  vocab_sz_t listed = 0;
  read_wlist_into_array(config.context_file.c_str(), config.verbosity >= 2, &cues,
                        &listed);
  for (vocab_sz_t i = 1; i <= listed; ++i) {
    vocab_sz_t id = 0;
    if (sih_lookup(table, cues[i], &id) && id > 0 && id <= vocab->size) {
      vocab->cues += !vocab->cue[id];
      vocab->cue[id] = 1;
      vocab->cue_bits[id] = true;
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

}  // namespace

ModelVocabulary LoadModelVocabulary(const BuildConfig &config) {
  const auto v = static_cast<unsigned short>(config.verbosity);
  ModelVocabulary vocab;
  vocab.closed = config.closed;
  sih_t *table = nullptr;
  if (IsSavedTableName(config.vocab_file.c_str())) {
    table = ReadSavedTable(config.vocab_file, config.verbosity, &vocab);
  } else {
    ReadWordList(config.vocab_file, &vocab);
    pc_message(v, 2, "buildlex : The vocabulary holds %lld words.\n",
               static_cast<long long>(vocab.size));
  }
  if (vocab.size >= static_cast<vocab_sz_t>(UINT32_MAX) - 1)
    quit(-1, "buildlex : Error : the vocabulary %s has too many words.\n",
         config.vocab_file.c_str());
  vocab.cue.assign(static_cast<size_t>(vocab.size) + 1, 0);
  vocab.cue_bits.assign(vocab.cue.size(), false);
  if (!config.context_file.empty())
    ReadContextCues(config, table != nullptr ? table : TableOf(vocab), &vocab);
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
