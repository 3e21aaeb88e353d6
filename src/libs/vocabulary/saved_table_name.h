// Which vocabularies are saved string-to-id tables rather than word lists:
// those whose name, after its last full stop (or the whole name, without
// one), is "vocab_ht".
#ifndef LEXKIT_SAVED_TABLE_NAME_H
#define LEXKIT_SAVED_TABLE_NAME_H

#include <string.h>

namespace lexkit {

inline bool IsSavedTableName(const char *filename) {
  const char *dot = strrchr(filename, '.');
  return strcmp(dot != nullptr ? dot + 1 : filename, "vocab_ht") == 0;
}

}  // namespace lexkit

#endif  // LEXKIT_SAVED_TABLE_NAME_H
