// fopen that ends the process instead of returning null.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "lexkit/general.h"

extern "C" FILE *ox_fopen(const char *filename, const char *mode) {
  FILE *fp = fopen(filename, mode);
  if (fp == nullptr)
    quit(-1, "Failed to open '%s' with mode '%s': %s\n", filename, mode,
         strerror(errno));
  return fp;
}
