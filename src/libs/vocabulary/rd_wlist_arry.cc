// Word list -> array of words by id, entries 1..n.
#include <string_view>

#include "lexkit/ac_parsetext.h"
#include "lexkit/general.h"
#include "libs/vocabulary/word_list.h"

namespace {

const char kOp[] = "read_wlist_into_array";

// The number of lines of the stream, a long line counting once per piece
// it is read in: no more than the words the lines can yield. *last is the
// stream's last byte, or EOF for an empty stream.
size_t CountLines(FILE *fp, const char *filename, int *last) {
  lexkit::LineReader lines(fp, lexkit::kVocabLineMax);
  std::string_view piece;
  size_t count = 0;
  *last = EOF;
  while (lines.Next(&piece)) {
    ++count;
    *last = static_cast<unsigned char>(piece.back());
  }
  if (lines.failed()) quit(-1, "%s: could not read %s\n", kOp, filename);
  return count;
}

}  // namespace

extern "C" void read_wlist_into_array(const char *wlist_filename, int verbosity,
                                      char ***p_wlist, vocab_sz_t *p_n_wlist) {
  // First pass: the array gets one entry per line (per line end, when no
  // line is longer than a vocabulary line), plus entry 0.
  FILE *fp = ox_iopen(wlist_filename);
  int last;
  const size_t entries = CountLines(fp, wlist_filename, &last) + 1;
  if (last != '\n') quit(-1, "%s: no newline at end of %s\n", kOp, wlist_filename);
  ox_iclose(fp);

  // Second pass: the words. A file that gained lines since the first pass
  // must not write past the array.
  fp = ox_iopen(wlist_filename);
  char **wlist = reinterpret_cast<char **>(ox_calloc(entries, sizeof(char *)));
  size_t n = 0;
  lexkit::VocabLines lines(fp);
  while (lines.Next()) {
    warn_on_wrong_vocab_comments(lines.line());
    if (n + 1 >= entries)
      quit(-1, "%s: %s changed while it was read\n", kOp, wlist_filename);
    wlist[++n] = salloc(lines.word());
  }
  if (lines.failed()) quit(-1, "%s: could not read %s\n", kOp, wlist_filename);
  ox_iclose(fp);

  if (verbosity)
    fprintf(stderr, "%s: a list of %d words was read from \"%s\".\n", kOp,
            static_cast<int>(n), wlist_filename);
  *p_wlist = wlist;
  *p_n_wlist = static_cast<vocab_sz_t>(n);
}
