// Reads a text stream line by line in large blocks, each physical line whole
// whatever its length, for the readers of word lists, vocabularies and
// forced back-off lists.
#ifndef LEXKIT_LINE_READER_H
#define LEXKIT_LINE_READER_H

#include <stdio.h>

#include <string>
#include <string_view>
#include <vector>

#include "libs/io/block_input.h"
#include "libs/io/word_reader.h"

namespace lexkit {

class LineReader : public BlockInput {
 public:
  explicit LineReader(FILE *fp, size_t block_size = 1 << 16);

  // The next line with its line end if it has one (only the last line of a
  // stream may lack it), cut at its first NUL byte as a C string would be;
  // valid until the next call. False at the end of the stream or on a read
  // error (see failed()).
  bool Next(std::string_view *line);

 private:
  std::string carry_;  // a line that straddles blocks
};

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

inline bool IsCommentLine(std::string_view line) {
  return line.size() >= 2 && line[0] == '#' && line[1] == '#';
}

}  // namespace lexkit

#endif  // LEXKIT_LINE_READER_H
