#include "libs/io/frequency_list_reader.h"

#include <stdint.h>

#include <cstddef>

#include "libs/io/word_scan.h"

namespace lexkit {

namespace {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

FrequencyListReader::FrequencyListReader(FILE *fp, size_t block_size)
    : BlockInput(fp, block_size) {
  carry_.reserve(kMaxWordLength + 1);
}

bool FrequencyListReader::Refill() {
  // The block is about to be overwritten: keep the current word's bytes.
  if (!word_.empty() && word_.data() != carry_.data()) {
    carry_.assign(word_.data(), word_.size());
    word_ = carry_;
  }
  return BlockInput::Refill();
}

bool FrequencyListReader::SkipSpace() {
  for (;;) {
    while (pos_ != end_ && IsCSpace(static_cast<unsigned char>(*pos_))) {
      line_ += *pos_ == '\n';
      ++pos_;
    }
    if (pos_ != end_) return true;
    if (!Refill()) return false;
  }
}

bool FrequencyListReader::ReadWord() {
  // Look at one byte more than the limit, to tell a word of exactly
  // kMaxWordLength bytes from a longer one.
  const size_t window = kMaxWordLength + 1;
  const char *start = pos_;
  const char *limit =
      static_cast<size_t>(end_ - pos_) > window ? pos_ + window : end_;
  while (pos_ != limit && !IsCSpace(static_cast<unsigned char>(*pos_))) ++pos_;
  size_t len = static_cast<size_t>(pos_ - start);
  if (len > kMaxWordLength) return false;
  if (pos_ != end_) {
    word_ = std::string_view(start, len);
    return true;
  }
  // The word runs into the next block.
  carry_.assign(start, len);
  while (Refill()) {
    while (pos_ != end_ && carry_.size() <= kMaxWordLength &&
           !IsCSpace(static_cast<unsigned char>(*pos_)))
      carry_.push_back(*pos_++);
    if (carry_.size() > kMaxWordLength) return false;
    if (pos_ != end_) break;
  }
  word_ = carry_;
  return true;
}

FrequencyListReader::Status FrequencyListReader::ReadCount(int *count) {
  bool negative = false;
  if (*pos_ == '+' || *pos_ == '-') {
    negative = *pos_ == '-';
    ++pos_;  // consumed even when no digit follows, as fscanf does
    if (!Available()) return Ended();
  }
  if (!IsDigit(*pos_)) return Status::kBadCount;
  // The magnitude saturates just above the largest one an int can take;
  // every digit is still consumed.
  const uint64_t max_magnitude = negative ? 2147483648u : 2147483647u;
  uint64_t magnitude = 0;
  do {
    while (pos_ != end_ && IsDigit(*pos_)) {
      if (magnitude <= max_magnitude)
        magnitude = magnitude * 10 + static_cast<unsigned>(*pos_ - '0');
      ++pos_;
    }
  } while (pos_ == end_ && Refill());
  if (magnitude > max_magnitude) return Status::kBadCount;
  *count = negative ? static_cast<int>(-static_cast<int64_t>(magnitude))
                    : static_cast<int>(magnitude);
  return Status::kRecord;
}

FrequencyListReader::Status FrequencyListReader::Next(std::string_view *word,
                                                      int *count) {
  word_ = std::string_view();
  if (!SkipSpace()) return Ended();
  word_line_ = line_;
  if (!ReadWord()) return Status::kLongWord;
  if (!SkipSpace()) return Ended();  // a last word without a count
  Status status = ReadCount(count);
  *word = word_;
  return status;
}

}  // namespace lexkit
