// malloc that ends the process instead of returning null, naming the size
// asked for.
#include <stdlib.h>

#include "lexkit/general.h"

extern "C" char *ox_malloc(size_t n_bytes) {
  char *block = static_cast<char *>(malloc(n_bytes == 0 ? 1 : n_bytes));
  if (block == nullptr)
    quit(-1, "ox_malloc: could not allocate %zu bytes\n", n_bytes);
  return block;
}
