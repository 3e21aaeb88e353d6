#include "libs/io/word_reader.h"

#include <cstddef>

namespace lexkit {

WordReader::WordReader(FILE *fp, size_t max_len, size_t block_size)
    : BlockInput(fp, block_size), max_len_(max_len) {}

WordReader::Status WordReader::Next(std::string_view *word) {
  // Skip white space, across blocks.
  for (;;) {
    while (pos_ != end_ && IsCSpace(static_cast<unsigned char>(*pos_))) ++pos_;
    if (pos_ != end_) break;
    if (!Refill()) return failed() ? Status::kError : Status::kEnd;
  }
  // Take up to max_len_ bytes of non-space; usually all within the block.
  const char *start = pos_;
  const char *limit = end_ - pos_ > static_cast<ptrdiff_t>(max_len_)
                          ? pos_ + max_len_
                          : end_;
  while (pos_ != limit && !IsCSpace(static_cast<unsigned char>(*pos_))) ++pos_;
  if (pos_ != end_ || static_cast<size_t>(pos_ - start) == max_len_) {
    *word = std::string_view(start, pos_ - start);
    return Status::kWord;
  }
  // The word runs into the next block.
  carry_.assign(start, pos_ - start);
  while (carry_.size() < max_len_ && Refill()) {
    while (pos_ != end_ && carry_.size() < max_len_ &&
           !IsCSpace(static_cast<unsigned char>(*pos_)))
      carry_.push_back(*pos_++);
    if (pos_ != end_) break;
  }
  *word = carry_;
  return Status::kWord;
}

}  // namespace lexkit
