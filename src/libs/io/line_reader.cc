#include "libs/io/line_reader.h"

#include <string.h>

namespace lexkit {

LineReader::LineReader(FILE *fp, size_t block_size) : BlockInput(fp, block_size) {}

bool LineReader::Next(std::string_view *line) {
  carry_.clear();
  for (;;) {
    if (pos_ == end_ && !Refill()) {
      if (carry_.empty()) return false;
      break;  // a last line without a line end
    }
    const char *nl = static_cast<const char *>(memchr(pos_, '\n', end_ - pos_));
    const char *stop = nl != nullptr ? nl + 1 : end_;
    if (nl != nullptr && carry_.empty()) {
      *line = std::string_view(pos_, stop - pos_);
      pos_ = stop;
      *line = line->substr(0, line->find('\0'));
      return true;
    }
    carry_.append(pos_, stop - pos_);
    pos_ = stop;
    if (nl != nullptr) break;
  }
  *line = std::string_view(carry_);
  *line = line->substr(0, line->find('\0'));
  return true;
}

}  // namespace lexkit
