// calloc that ends the process instead of returning null.
#include <stdlib.h>

#include "lexkit/general.h"

extern "C" char *ox_calloc(size_t nelem, size_t elsize) {
  char *block = static_cast<char *>(calloc(nelem == 0 ? 1 : nelem, elsize));
  if (block == nullptr)
    quit(-1, "ox_calloc: could not allocate %d elements of size %d\n",
         static_cast<int>(nelem), static_cast<int>(elsize));
  return block;
}
