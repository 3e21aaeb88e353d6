#include "libs/vocabulary/word_list.h"

#include <string.h>

#include <string_view>

namespace lexkit {

bool VocabLines::Next() {
  std::string_view piece;
  while (lines_.Next(&piece)) {
    const std::string_view line = AsCString(piece);
    if (IsCommentLine(line)) continue;
    size_t pos = 0;
    const std::string_view word = NextToken(line, &pos);
    if (word.empty()) continue;
    memcpy(line_.data(), line.data(), line.size());
    line_[line.size()] = '\0';
    memcpy(word_.data(), word.data(), word.size());
    word_[word.size()] = '\0';
    word_length_ = word.size();
    return true;
  }
  return false;
}

}  // namespace lexkit
