// A stream read in large blocks: the one refill loop of the toolkit's
// readers (words, lines, word frequency lists, word n-gram texts, id n-gram
// records, the word counter's text). A reader scans the window [pos_, end_)
// of the current block and calls Refill when it is used up.
//
// A reader may keep the unread tail of the window across a refill (a word
// or a line cut by the end of a block): up to `keep_max` bytes move to the
// front of the block and the new bytes follow them. After the window there
// are always kScanPadding readable bytes, so the 16-byte scans of
// word_scan.h may run over its end.
#ifndef LEXKIT_BLOCK_INPUT_H
#define LEXKIT_BLOCK_INPUT_H

#include <stdio.h>
#include <string.h>

#include <cstddef>
#include <vector>

#include "libs/io/word_scan.h"

namespace lexkit {

class BlockInput {
 public:
  BlockInput(const BlockInput &) = delete;
  BlockInput &operator=(const BlockInput &) = delete;

  // True once a read failed (as opposed to reaching the end).
  bool failed() const { return failed_; }
  // True once a refill found nothing more to read: the window holds the
  // last bytes of the stream.
  bool ended() const { return ended_; }

 protected:
  BlockInput(FILE *fp, size_t block_size, size_t keep_max = 0)
      : fp_(fp), block_(keep_max + block_size + kScanPadding) {
    pos_ = end_ = block_.data();
  }

  // Reads the next block after the bytes [keep, end_) of the window, which
  // move to the front first; the window then starts with them. False when
  // nothing more could be read, at the end of the stream or after a read
  // error; the window is then just the kept bytes.
  bool Refill(const char *keep) {
    const size_t kept = static_cast<size_t>(end_ - keep);
    memmove(block_.data(), keep, kept);
    char *const start = block_.data();
    pos_ = start;
    end_ = start + kept;
    if (failed_) return false;
    size_t got = fread_unlocked(start + kept, 1, block_.size() - kScanPadding - kept, fp_);
    if (got == 0) {
      failed_ = ferror(fp_) != 0;
      ended_ = true;
      return false;
    }
    end_ += got;
    return true;
  }
  bool Refill() { return Refill(end_); }

  // Reads `fp` from here on, from an empty window, as a new stream: the
  // block is kept.
  void Restart(FILE *fp) {
    fp_ = fp;
    pos_ = end_ = block_.data();
    failed_ = ended_ = false;
  }

  const char *pos_ = nullptr;
  const char *end_ = nullptr;

 private:
  FILE *fp_;
  std::vector<char> block_;
  bool failed_ = false;
  bool ended_ = false;
};

}  // namespace lexkit

#endif  // LEXKIT_BLOCK_INPUT_H
