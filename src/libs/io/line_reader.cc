#include "libs/io/line_reader.h"

#include <string.h>

#include <algorithm>

namespace lexkit {

LineReader::LineReader(FILE *fp, size_t max_len, size_t block_size)
    : BlockInput(fp, block_size, max_len), max_len_(max_len) {}

bool LineReader::Next(std::string_view *piece) {
  for (;;) {
    // A piece ends after its line end or after max_len_ bytes, whichever
    // comes first; only a piece that reaches the end of the window may go
    // on in the next block.
    const size_t window = std::min(static_cast<size_t>(end_ - pos_), max_len_);
    const char *nl = static_cast<const char *>(memchr(pos_, '\n', window));
    if (nl != nullptr || window == max_len_) {
      const char *stop = nl != nullptr ? nl + 1 : pos_ + max_len_;
      *piece = std::string_view(pos_, static_cast<size_t>(stop - pos_));
      pos_ = stop;
      return true;
    }
    if (!Refill(pos_)) break;  // keeps the piece's first bytes
  }
  if (pos_ == end_) return false;
  *piece = std::string_view(pos_, static_cast<size_t>(end_ - pos_));  // no line end
  pos_ = end_;
  return true;
}

}  // namespace lexkit
