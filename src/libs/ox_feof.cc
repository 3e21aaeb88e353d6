// End-of-stream test that looks one byte ahead and puts it back.
#include <stdio.h>

#include "general.h"

extern "C" int ox_feof(FILE *fp) {
  int c = getc_unlocked(fp);
  if (c == EOF) return 1;
  int rt = ungetc(c, fp);
  if (rt == EOF) quit(rt, "ox_feof: ungetc error\n");
  return 0;
}
