// Reads the records of a word frequency list ("word count" pairs) from a
// stream in large blocks. It accepts what a loop of fscanf("%s %d") calls,
// each failed call followed by a look-ahead end test, accepts:
//
//  - white space of any kind (the six bytes of the C locale) separates the
//    fields and the records; lines have no meaning of their own;
//  - a word is a run of non-space bytes; the count is an optional sign and
//    decimal digits, and the next word may follow the digits directly;
//  - a last word without a count at the end of the input is dropped (so is
//    one followed only by white space, or by a lone sign as the very last
//    byte, which fscanf consumes);
//  - a word followed by anything that does not start a count is malformed.
//
// Where fscanf has no sound answer the reader decides: a word longer than
// kMaxWordLength bytes and a count outside the range of int are errors, as
// is a failed read (which fscanf would report as the end of the input).
//
// The reader consumes its stream ahead of the records it has returned, so
// the stream belongs to it until the end.
#ifndef LEXKIT_FREQUENCY_LIST_READER_H
#define LEXKIT_FREQUENCY_LIST_READER_H

#include <stdio.h>

#include <string>
#include <string_view>
#include <vector>

#include "libs/io/block_input.h"

namespace lexkit {

class FrequencyListReader : public BlockInput {
 public:
  enum class Status {
    kRecord,     // a word and its count
    kEnd,        // the end of the input
    kBadCount,   // a word without a valid count, and more input after it
    kLongWord,   // a word longer than kMaxWordLength bytes
    kReadError,  // the stream reported an error
  };

  static constexpr size_t kMaxWordLength = 749;

  explicit FrequencyListReader(FILE *fp, size_t block_size = 1 << 20);

  // The next record; `word` stays valid until the next call. Embedded NUL
  // bytes are part of the returned word.
  Status Next(std::string_view *word, int *count);

  // The line (from 1) on which the last word returned or refused began.
  long long word_line() const { return word_line_; }

 private:
  bool Available() { return pos_ != end_ || Refill(); }
  bool Refill();     // keeps the current word, then reads the next block
  bool SkipSpace();  // false if the input ends first
  bool ReadWord();  // into word_; false if the word is too long
  Status ReadCount(int *count);
  Status Ended() const { return failed() ? Status::kReadError : Status::kEnd; }

  std::string_view word_;  // the word of the record being read
  std::string carry_;      // word_'s bytes once the block moves on
  long long line_ = 1;
  long long word_line_ = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_FREQUENCY_LIST_READER_H
