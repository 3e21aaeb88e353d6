#include "libs/vocabulary/word_list.h"

#include <string.h>

#include <string_view>

namespace lexkit {

bool VocabLines::Find(std::string_view *line, std::string_view *word) {
  std::string_view piece;
  while (lines_.Next(&piece)) {
    *line = AsCString(piece);
    if (IsCommentLine(*line)) continue;
    size_t pos = 0;
    *word = NextToken(*line, &pos);
    if (!word->empty()) return true;
  }
  return false;
}

bool VocabLines::Skip() {
  std::string_view line, word;
  return Find(&line, &word);
}

bool VocabLines::Next() {
  std::string_view line, word;
  if (!Find(&line, &word)) return false;
  memcpy(line_.data(), line.data(), line.size());
  line_[line.size()] = '\0';
  memcpy(word_.data(), word.data(), word.size());
  word_[word.size()] = '\0';
  word_length_ = word.size();
  return true;
}

}  // namespace lexkit
