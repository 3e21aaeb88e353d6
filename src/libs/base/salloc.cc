// Heap copies of strings that are never null.
#include <string.h>

#include "lexkit/general.h"

extern "C" char *salloc(const char *str) {
  size_t len = strlen(str);
  char *copy = ox_malloc(len + 1);
  memcpy(copy, str, len + 1);
  return copy;
}
