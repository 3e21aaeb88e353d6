// Word list -> string-to-id table, ids 1, 2, 3, ... in line order, with a
// progress dot on stdout for every 1000 words.
#include "lexkit/ac_parsetext.h"
#include "lexkit/general.h"
#include "lexkit/sih.h"
#include "libs/base/key_arena.h"
#include "libs/vocabulary/word_list.h"

namespace {

const char kOp[] = "read_wlist_into_siht";

}  // namespace

extern "C" void read_wlist_into_siht(const char *wlist_filename, int verbosity,
                                     sih_t *p_word_id_ht, vocab_sz_t *p_n_wlist) {
  FILE *fp = ox_iopen(wlist_filename);
  vocab_sz_t n = 0;
  lexkit::VocabLines lines(fp);
  while (lines.Next()) {
    ++n;
    if (n % 1000 == 0) {
      fputc('.', stdout);
      fflush(stdout);
    }
    warn_on_wrong_vocab_comments(lines.line());
    // A repeated word keeps the id of its first line, the id the vocabulary
    // index of the n-gram pipeline gives it, so both sides agree.
    char *key = lexkit::KeyArena().CopyString(lines.word(), lines.word_length());
    vocab_sz_t first_id;
    if (!sih_lookup(p_word_id_ht, key, &first_id)) sih_add(p_word_id_ht, key, n);
  }
  if (lines.failed()) quit(-1, "%s: could not read %s\n", kOp, wlist_filename);
  fputc('\n', stdout);
  fflush(stdout);
  ox_iclose(fp);
  if (verbosity)
    fprintf(stderr, "%s: a list of %d words was read from \"%s\".\n", kOp,
            static_cast<int>(n), wlist_filename);
  *p_n_wlist = n;
}
