// A stream read in large blocks: the readers of words, lines and word
// frequency lists scan the window [pos_, end_) of the current block and
// call Refill when it is used up.
#ifndef LEXKIT_BLOCK_INPUT_H
#define LEXKIT_BLOCK_INPUT_H

#include <stdio.h>

#include <cstddef>
#include <vector>

namespace lexkit {

class BlockInput {
 public:
  BlockInput(const BlockInput &) = delete;
  BlockInput &operator=(const BlockInput &) = delete;

  // True once a read failed (as opposed to reaching the end).
  bool failed() const { return failed_; }

 protected:
  BlockInput(FILE *fp, size_t block_size) : fp_(fp), block_(block_size) {}

  // Reads the next block over the current one; false at the end of the
  // stream or after a read error, leaving the window empty.
  bool Refill() {
    if (failed_) return false;
    size_t got = fread_unlocked(block_.data(), 1, block_.size(), fp_);
    if (got == 0) {
      if (ferror(fp_)) failed_ = true;
      return false;
    }
    pos_ = block_.data();
    end_ = pos_ + got;
    return true;
  }

  const char *pos_ = nullptr;
  const char *end_ = nullptr;

 private:
  FILE *fp_;
  std::vector<char> block_;
  bool failed_ = false;
};

}  // namespace lexkit

#endif  // LEXKIT_BLOCK_INPUT_H
