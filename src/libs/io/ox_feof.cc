// End-of-stream test that looks one byte ahead and puts it back.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "lexkit/general.h"

extern "C" int ox_feof(FILE *fp) {
  int c = getc_unlocked(fp);
  if (c == EOF) {
    // A failed read is not the end: reporting it as one would pass a cut
    // or unreadable file off as complete.
    if (ferror(fp)) quit(-1, "ox_feof: error reading the stream: %s\n", strerror(errno));
    return 1;
  }
  int rt = ungetc(c, fp);
  if (rt == EOF) quit(rt, "ox_feof: ungetc error\n");
  return 0;
}
