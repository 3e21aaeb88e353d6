// fseek that ends the process on failure.
#include <stdio.h>

#include "lexkit/general.h"

extern "C" void *ox_fseek(FILE *fp, int offset, int mode,
                          const char *description) {
  if (fseek(fp, static_cast<long>(offset), mode) < 0)
    quit(-1, "ERROR: fseek(<%s>,%d,%d) is improper\n", description, offset, mode);
  return nullptr;
}
