// The one way every word-list reader sees its file, so that the array and
// the string-to-id table give each word the same id.
#ifndef LEXKIT_WORD_LIST_H
#define LEXKIT_WORD_LIST_H

#include <stdio.h>

#include <string>
#include <string_view>

#include "ac_parsetext.h"
#include "general.h"
#include "line_reader.h"

namespace lexkit {

// Calls `on_word(word)` for each word line of the stream in order: its first
// token, taken whole whatever the line's length. Comment lines ("##") and
// lines without a token are skipped and take no id. A line that begins with
// a single "#" gets the warning and is a word line. A read error ends the
// process with a message naming `op` and `filename`.
template <typename OnWord>
void ForEachListWord(FILE *fp, const char *op, const char *filename,
                     OnWord on_word) {
  LineReader lines(fp);
  std::string_view line;
  while (lines.Next(&line)) {
    if (IsCommentLine(line)) continue;
    size_t pos = 0;
    std::string_view word = NextToken(line, &pos);
    if (word.empty()) continue;
    if (line[0] == '#') warn_on_wrong_vocab_comments(std::string(line).c_str());
    on_word(word);
  }
  if (lines.failed()) quit(-1, "%s: could not read %s\n", op, filename);
}

}  // namespace lexkit

#endif  // LEXKIT_WORD_LIST_H
