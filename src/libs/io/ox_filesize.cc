// Size in bytes of an open file; 0 for a descriptor that cannot be queried.
#include <sys/stat.h>

#include "lexkit/general.h"

extern "C" int ox_filesize(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) return 0;
  return static_cast<int>(st.st_size);
}
