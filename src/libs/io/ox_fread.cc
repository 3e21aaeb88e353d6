// Reads elements stored most significant byte first and converts them to
// the host's order; optionally checks that nothing follows.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "lexkit/general.h"
#include "libs/base/coding.h"

extern "C" void *ox_fread(void *ptr, int elsize, size_t n_elem, FILE *fp,
                          const char *header, int not_more) {
  if (n_elem > 0) {
    size_t n_read = fread_unlocked(ptr, elsize, n_elem, fp);
    if (n_read < n_elem)
      quit(-1, "ox_fread: problems reading %s.  Only %d of %d elements were read\n",
           header, static_cast<int>(n_read), static_cast<int>(n_elem));
    if (lexkit::IsNumberWidth(elsize)) {
      char *p = static_cast<char *>(ptr);
      for (size_t i = 0; i < n_elem; ++i, p += elsize) lexkit::DecodeElement(p, p, elsize);
    }
  }
  if (not_more) {
    unsigned char scratch;
    if (fread_unlocked(&scratch, 1, 1, fp) == 1)
      quit(-1, "ox_fread: more data after %s - should not be there\n", header);
    if (ferror(fp)) quit(-1, "ox_fread: problems reading after %s: %s\n", header, strerror(errno));
  }
  return nullptr;
}
