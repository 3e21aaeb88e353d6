// Reads white-space-delimited words from a stream in large blocks, with the
// exact results of repeated fscanf("%<max>s") calls: the six white-space
// bytes of the C locale separate words, and a longer run is returned in
// pieces of at most `max_len` bytes. Embedded NUL bytes are part of the
// returned bytes; callers that keep C-string semantics cut at the first NUL.
//
// The reader consumes its stream ahead of the words it has returned, so the
// stream belongs to it until the end.
#ifndef LEXKIT_WORD_READER_H
#define LEXKIT_WORD_READER_H

#include <stdio.h>

#include <string>
#include <string_view>
#include <vector>

#include "libs/io/block_input.h"
#include "libs/io/word_scan.h"

namespace lexkit {

class WordReader : public BlockInput {
 public:
  enum class Status { kWord, kEnd, kError };

  WordReader(FILE *fp, size_t max_len, size_t block_size = 1 << 20);

  // The next word (valid until the next call), or the end of the input, or a
  // read error (reported once the words before it have been returned).
  Status Next(std::string_view *word);

 private:
  size_t max_len_;
  std::string carry_;  // a word that straddles two blocks
};

}  // namespace lexkit

#endif  // LEXKIT_WORD_READER_H
