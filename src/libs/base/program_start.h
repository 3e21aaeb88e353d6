// The first two options every program takes, before its own: "-help" writes
// the program's usage text and ends with status 1, "-version" writes the
// toolkit's version and ends with status 0. The programs differ in which of
// the two they look for first (countlex, gramlex and scorelex take "-help"
// first, picklex and buildlex "-version"), so the order is a parameter.
#ifndef LEXKIT_LIBS_BASE_PROGRAM_START_H
#define LEXKIT_LIBS_BASE_PROGRAM_START_H

#include <stdlib.h>

#include "lexkit/pc_general.h"

namespace lexkit {

enum class FirstOption { kHelp, kVersion };

inline void TakeHelpAndVersion(int *argc, char **argv, void (*help_message)(),
                               FirstOption first) {
  if (first == FirstOption::kVersion) report_version(argc, argv);
  if (pc_flagarg(argc, argv, "-help")) {
    help_message();
    exit(1);
  }
  if (first == FirstOption::kHelp) report_version(argc, argv);
}

}  // namespace lexkit

#endif  // LEXKIT_LIBS_BASE_PROGRAM_START_H
