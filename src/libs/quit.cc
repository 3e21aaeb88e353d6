// The one way a fatal error ends the process: message on stderr, then exit.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include "general.h"

extern "C" int quit(int rc, const char *msg, ...) {
  va_list args;
  va_start(args, msg);
  vfprintf(stderr, msg, args);
  va_end(args);
  fflush(stderr);
  exit(rc);
}
