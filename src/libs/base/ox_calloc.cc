// calloc that ends the process instead of returning null, naming the sizes
// asked for.
#include <stdlib.h>

#include "lexkit/general.h"

extern "C" char *ox_calloc(size_t nelem, size_t elsize) {
  char *block = static_cast<char *>(calloc(nelem == 0 ? 1 : nelem, elsize));
  if (block == nullptr)
    quit(-1, "ox_calloc: could not allocate %zu elements of size %zu\n", nelem, elsize);
  return block;
}
