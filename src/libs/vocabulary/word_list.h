// The one way every word-list reader sees its file, so that the array, the
// string-to-id table and the vocabulary index give each word the same id.
#ifndef LEXKIT_WORD_LIST_H
#define LEXKIT_WORD_LIST_H

#include <stdio.h>

#include <string>
#include <string_view>

#include "lexkit/ac_parsetext.h"
#include "lexkit/general.h"
#include "libs/io/line_reader.h"

namespace lexkit {

// A line of at most this many bytes, line end included, with a first token
// of at most kListWordMax bytes is read whole.
constexpr size_t kListLineMax = 1023;
constexpr size_t kListWordMax = 255;
// Longer lines are taken in pieces of this many bytes, each a line of its
// own, as the vocabulary index reads them: a word of 500 bytes or more then
// gets the same ids from every reader.
constexpr size_t kListPiece = 499;

// The single-"#" warning for a word line that looks like a comment.
inline void WarnIfLooksLikeComment(std::string_view line) {
  if (!line.empty() && line[0] == '#') warn_on_wrong_vocab_comments(std::string(line).c_str());
}

// Calls `on_word(word, line)` for each word line of the stream in order,
// with its first token. Comment lines ("##") and lines without a token are
// skipped and take no id. A read error ends the process with a message
// naming `op` and `filename`.
template <typename OnWord>
void ForEachListWord(FILE *fp, const char *op, const char *filename,
                     OnWord on_word) {
  auto take = [&](std::string_view line) {
    if (IsCommentLine(line)) return;
    size_t pos = 0;
    std::string_view word = NextToken(line, &pos);
    if (!word.empty()) on_word(word, line);
  };
  LineReader lines(fp);
  std::string_view line;
  while (lines.Next(&line)) {
    size_t pos = 0;
    if (line.size() <= kListLineMax && NextToken(line, &pos).size() <= kListWordMax) {
      take(line);
      continue;
    }
    for (size_t at = 0; at < line.size(); at += kListPiece) take(line.substr(at, kListPiece));
  }
  if (lines.failed()) quit(-1, "%s: could not read %s\n", op, filename);
}

}  // namespace lexkit

#endif  // LEXKIT_WORD_LIST_H
