#include "libs/vocabulary/text_ids.h"

#include <string.h>

namespace lexkit {

TextIds::TextIds(FILE *fp, struct idngram_hash_table *vocabulary, size_t max_len)
    : reader_(fp, max_len),
      lookup_(vocabulary),
      bytes_(kBatch * max_len + VocabLookup::kPadding) {}

bool TextIds::Fill() {
  next_ = count_ = 0;
  char *out = bytes_.data();
  while (status_ == Status::kId && count_ < kBatch) {
    std::string_view word;
    switch (reader_.Next(&word)) {
      case WordReader::Status::kWord: {
        const void *nul = memchr(word.data(), '\0', word.size());
        const size_t len = nul ? static_cast<const char *>(nul) - word.data() : word.size();
        memcpy(out, word.data(), len);
        words_[count_++] = std::string_view(out, len);
        out += len;
        break;
      }
      case WordReader::Status::kEnd:
        status_ = Status::kEnd;
        break;
      case WordReader::Status::kError:
        status_ = Status::kError;
        break;
    }
  }
  lookup_.FindAll(words_, count_, ids_);
  return count_ > 0;
}

}  // namespace lexkit
