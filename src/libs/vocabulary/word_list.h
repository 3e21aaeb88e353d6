// The one way every reader of a vocabulary sees its file, so that the
// vocabulary index of the n-gram pipeline, the word array and the
// string-to-id table give each word the same id.
//
// A vocabulary line is what fgets with a 500-byte buffer returns, the rule
// the vocabulary index has always read by (and so the rule behind the ids
// of every id n-gram file written): a line of more than 499 bytes, line end
// included, is taken in pieces of 499 bytes, each piece a line of its own,
// and a line is a C string (it ends at a NUL byte). A line beginning with
// "##" is a comment; every other line that holds a token yields one word,
// its first white-space-delimited token, so a word has at most 499 bytes.
// Lines without a token take no id.
#ifndef LEXKIT_WORD_LIST_H
#define LEXKIT_WORD_LIST_H

#include <stdio.h>

#include <array>
#include <string_view>

#include "libs/io/line_reader.h"

namespace lexkit {

constexpr size_t kVocabLineMax = 499;

class VocabLines {
 public:
  explicit VocabLines(FILE *fp) : lines_(fp, kVocabLineMax) {}

  // Moves to the next word line; false at the end of the stream or after a
  // read error (see failed()).
  bool Next();
  // The same, for a caller that only counts the words: line() and word()
  // are not updated.
  bool Skip();

  // The current line (line end included, if it has one) and its word, as C
  // strings valid until the next call.
  const char *line() const { return line_.data(); }
  const char *word() const { return word_.data(); }
  size_t word_length() const { return word_length_; }

  bool failed() const { return lines_.failed(); }

 private:
  // The next word line, as views into the reader's block.
  bool Find(std::string_view *line, std::string_view *word);

  LineReader lines_;
  std::array<char, kVocabLineMax + 1> line_;
  std::array<char, kVocabLineMax + 1> word_;
  size_t word_length_ = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_WORD_LIST_H
