// 1 if something exists at `path` (links followed), else 0.
#include <sys/stat.h>

#include "lexkit/general.h"

extern "C" int ox_fexists(const char *path) {
  struct stat st;
  return stat(path, &st) == 0 ? 1 : 0;
}
