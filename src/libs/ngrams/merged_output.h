// Where the merges' records go as text, and how a merge's output ends.
//
// Text is gathered in a large block and handed to the stream in one write
// per block. A write that fails, or a final flush that fails, ends the
// process with the merges' write-error message; since inputs are deleted
// only after their output is finished, they then stay on disk, as the
// message says.
#ifndef LEXKIT_LIBS_NGRAMS_MERGED_OUTPUT_H
#define LEXKIT_LIBS_NGRAMS_MERGED_OUTPUT_H

#include <stdio.h>

#include <algorithm>
#include <vector>

namespace lexkit {

// Hands what the stream buffers to the system; a failure ends the process.
void FlushMergedOutput(FILE *fp);

class MergedTextOutput {
 public:
  explicit MergedTextOutput(FILE *fp) : fp_(fp) {}
  MergedTextOutput(const MergedTextOutput &) = delete;
  MergedTextOutput &operator=(const MergedTextOutput &) = delete;

  // Room for `bytes` more characters, written from the pointer returned;
  // Commit then takes the end of what was written. The block is allocated
  // on first use and grows for a record longer than a block.
  char *Reserve(size_t bytes) {
    if (block_.size() - used_ < bytes) {
      Write();
      if (block_.size() < bytes || block_.empty()) block_.resize(std::max(bytes, kBlock));
    }
    return block_.data() + used_;
  }
  void Commit(const char *end) { used_ = static_cast<size_t>(end - block_.data()); }

  // Everything reaches the stream and the system.
  void Finish() {
    Write();
    FlushMergedOutput(fp_);
  }

 private:
  static constexpr size_t kBlock = 1 << 20;

  void Write();

  FILE *fp_;
  std::vector<char> block_;
  size_t used_ = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_NGRAMS_MERGED_OUTPUT_H
