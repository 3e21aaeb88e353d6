// Writes elements of 2, 4 and 8 bytes most significant byte first; other
// sizes byte for byte. The caller's data is never changed.
#include <stdio.h>
#include <string.h>

#include "lexkit/general.h"
#include "libs/base/coding.h"

extern "C" void *ox_fwrite(const void *ptr, int elsize, size_t n_elem,
                           FILE *fp, const char *header) {
  const char *src = static_cast<const char *>(ptr);
  size_t written = 0;
  if (lexkit::IsNumberWidth(elsize)) {
    char buf[4096];
    const size_t per_chunk = sizeof buf / static_cast<size_t>(elsize);
    while (written < n_elem) {
      size_t chunk = n_elem - written < per_chunk ? n_elem - written : per_chunk;
      for (size_t i = 0; i < chunk; ++i)
        lexkit::EncodeElement(buf + i * elsize, src + (written + i) * elsize, elsize);
      size_t done = fwrite_unlocked(buf, elsize, chunk, fp);
      written += done;
      if (done < chunk) break;
    }
  } else if (elsize > 0 && n_elem > 0) {
    written = fwrite_unlocked(src, elsize, n_elem, fp);
  } else {
    written = n_elem;  // elements of no size: nothing to write
  }
  if (written < n_elem)
    quit(-1, "ox_fwrite: problems writing %s.  Only %d of %d elements were written\n",
         header, static_cast<int>(written), static_cast<int>(n_elem));
  return nullptr;
}
