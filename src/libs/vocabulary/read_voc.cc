// Loads the estimator's vocabulary from a saved string-to-id table or from a
// word list, and builds the id -> word array from a table.
#include <string.h>

#include "lexkit/ac_parsetext.h"
#include "lexkit/general.h"
#include "lexkit/sih.h"
#include "libs/vocabulary/saved_table_name.h"

namespace {

const char kVocabOp[] = "get_vocab_fm_ht";

}  // namespace

extern "C" void read_voc(const char *filename, int verbosity, sih_t *p_vocab_ht,
                         char ***p_vocab, vocab_sz_t *p_vocab_size) {
  vocab_sz_t n = 0;
  if (lexkit::IsSavedTableName(filename)) {
    FILE *fp = ox_iopen(filename);
    sih_val_read_from_file(p_vocab_ht, fp, filename, verbosity);
    ox_iclose(fp);
    n = p_vocab_ht->nentries;
    if (p_vocab != nullptr) {
      get_vocab_from_vocab_ht(p_vocab_ht, n, verbosity, p_vocab);
      (*p_vocab)[0] = salloc("<UNK>");
    }
  } else {
    read_wlist_into_siht(filename, verbosity, p_vocab_ht, &n);
    if (p_vocab != nullptr) {
      read_wlist_into_array(filename, verbosity, p_vocab, &n);
      (*p_vocab)[0] = salloc("<UNK>");
    }
  }
  if (p_vocab_size != nullptr) *p_vocab_size = n;
}

extern "C" void get_vocab_from_vocab_ht(sih_t *ht, vocab_sz_t vocab_size,
                                        int verbosity, char ***p_vocab) {
  const vocab_sz_t size = vocab_size > 0 ? vocab_size : 0;
  char **vocab = reinterpret_cast<char **>(
      ox_calloc(static_cast<size_t>(size) + 1, sizeof(char *)));
  // An id above vocab_size has no entry and is ignored; the ids it displaces
  // are reported as missing below.
  if (ht->slots != nullptr) {
    for (vocab_sz_t i = 0; i < ht->nslots; ++i) {
      const sih_slot_t &slot = ht->slots[i];
      if (slot.intval > 0 && slot.intval <= size) vocab[slot.intval] = slot.string;
    }
  }
  for (vocab_sz_t id = 1; id <= size; ++id)
    if (vocab[id] == nullptr)
      quit(-1, "%s ERROR: the hash table does not contain wordid %d, \n", kVocabOp,
           static_cast<int>(id));
  if (verbosity)
    fprintf(stderr, "%s: vocabulary was constructed from the vocab hash table\n",
            kVocabOp);
  *p_vocab = vocab;
}
