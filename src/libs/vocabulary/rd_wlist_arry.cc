// Word list -> array of words by id, entries 1..n.
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lexkit/ac_parsetext.h"
#include "lexkit/general.h"
#include "libs/vocabulary/word_list.h"

namespace {

const char kOp[] = "read_wlist_into_array";

// The number of line ends and of bytes of the stream; *last is the last
// byte read, or EOF for an empty stream.
size_t CountLineEnds(FILE *fp, const char *filename, size_t *bytes, int *last) {
  std::vector<char> block(1 << 16);
  size_t line_ends = 0;
  *bytes = 0;
  *last = EOF;
  size_t got;
  while ((got = fread_unlocked(block.data(), 1, block.size(), fp)) > 0) {
    line_ends += static_cast<size_t>(std::count(block.data(), block.data() + got, '\n'));
    *bytes += got;
    *last = static_cast<unsigned char>(block[got - 1]);
  }
  if (ferror(fp)) quit(-1, "%s: could not read %s\n", kOp, filename);
  return line_ends;
}

}  // namespace

extern "C" void read_wlist_into_array(const char *wlist_filename, int verbosity,
                                      char ***p_wlist, vocab_sz_t *p_n_wlist) {
  // First pass: the array gets one entry per line end, plus entry 0, plus
  // one for each further piece a very long line may be taken in.
  FILE *fp = ox_iopen(wlist_filename);
  size_t bytes;
  int last;
  size_t line_ends = CountLineEnds(fp, wlist_filename, &bytes, &last);
  if (last != '\n') quit(-1, "%s: no newline at end of %s\n", kOp, wlist_filename);
  ox_iclose(fp);

  // Second pass: the words. A file that gained lines since the first pass
  // must not write past the array.
  fp = ox_iopen(wlist_filename);
  const size_t entries = line_ends + 1 + bytes / lexkit::kListPiece;
  char **wlist = reinterpret_cast<char **>(ox_calloc(entries, sizeof(char *)));
  size_t n = 0;
  lexkit::ForEachListWord(fp, kOp, wlist_filename, [&](std::string_view word,
                                                       std::string_view line) {
    lexkit::WarnIfLooksLikeComment(line);
    if (n + 1 >= entries)
      quit(-1, "%s: %s changed while it was read\n", kOp, wlist_filename);
    wlist[++n] = salloc(std::string(word).c_str());
  });
  ox_iclose(fp);

  if (verbosity)
    fprintf(stderr, "%s: a list of %d words was read from \"%s\".\n", kOp,
            static_cast<int>(n), wlist_filename);
  *p_wlist = wlist;
  *p_n_wlist = static_cast<vocab_sz_t>(n);
}
