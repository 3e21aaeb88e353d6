// Reads a text stream as fgets with a buffer of max_len + 1 bytes would, but
// in large blocks: each call gives the next line with its line end, and a
// line of more than max_len bytes (line end included) comes in pieces of
// max_len bytes, the last piece ending with the line end. Only the last
// line of a stream may lack a line end. The readers of vocabularies, word
// lists and forced back-off lists see their files this way.
//
// The pieces are the bytes as read, NUL bytes included; AsCString shows a
// piece as the C string that fgets would have left in its buffer.
#ifndef LEXKIT_LINE_READER_H
#define LEXKIT_LINE_READER_H

#include <stdio.h>

#include <string_view>

#include "libs/io/block_input.h"
#include "libs/io/word_scan.h"

namespace lexkit {

class LineReader : public BlockInput {
 public:
  // `max_len` is at least 1.
  LineReader(FILE *fp, size_t max_len, size_t block_size = 1 << 16);

  // The next line or piece, valid until the next call. False at the end of
  // the stream or on a read error (see failed()).
  bool Next(std::string_view *piece);

 private:
  size_t max_len_;
};

// The bytes of `piece` before its first NUL byte.
inline std::string_view AsCString(std::string_view piece) {
  return piece.substr(0, piece.find('\0'));
}

// The next white-space-delimited token of `line` from `*pos`, empty when
// none is left; `*pos` moves past it.
inline std::string_view NextToken(std::string_view line, size_t *pos) {
  size_t i = *pos;
  while (i < line.size() && IsCSpace(static_cast<unsigned char>(line[i]))) ++i;
  size_t start = i;
  while (i < line.size() && !IsCSpace(static_cast<unsigned char>(line[i]))) ++i;
  *pos = i;
  return line.substr(start, i - start);
}

// A line whose first two characters are "##" is a comment.
inline bool IsCommentLine(std::string_view line) {
  return line.size() >= 2 && line[0] == '#' && line[1] == '#';
}

}  // namespace lexkit

#endif  // LEXKIT_LINE_READER_H
