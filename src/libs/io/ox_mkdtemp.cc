// Makes a private directory (mode 0700) from a template ending in XXXXXX.
// Returns the template holding the new path, or null.
#include <stdlib.h>

#include "lexkit/general.h"

extern "C" char *ox_mkdtemp(char *templ) {
  // mkdtemp picks the name and creates the directory in one step, with no
  // window in which another process could take the name.
  return mkdtemp(templ);
}
