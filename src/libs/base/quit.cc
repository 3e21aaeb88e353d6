// The one way a fatal error ends the process: message on stderr, then exit.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include "lexkit/general.h"
#include "libs/base/fuzz_hooks.h"

#ifdef LEXKIT_FUZZ_HOOKS
namespace lexkit {
QuitHook quit_hook = nullptr;
}  // namespace lexkit
#endif

extern "C" int quit(int rc, const char *msg, ...) {
  va_list args;
  va_start(args, msg);
  vfprintf(stderr, msg, args);
  va_end(args);
  fflush(stderr);
#ifdef LEXKIT_FUZZ_HOOKS
  if (lexkit::quit_hook != nullptr) lexkit::quit_hook(rc);
#endif
  exit(rc);
}
