// Verbosity-filtered diagnostics on stderr.
#include <stdarg.h>
#include <stdio.h>

#include "lexkit/pc_general.h"

extern "C" void pc_message(unsigned short verbosity, unsigned short priority,
                           const char *msg, ...) {
  if (priority > verbosity) return;
  va_list args;
  va_start(args, msg);
  vfprintf(stderr, msg, args);
  va_end(args);
}
