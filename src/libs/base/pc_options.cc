// Command-line option routines. Each takes what it recognises out of the
// argument vector, so that what is left at the end is unrecognised.
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lexkit/pc_general.h"
#include "libs/base/arg_vector.h"

namespace {

const char kToolkitVersion[] = "lexkit version 0.1.0\n";

const char *ProgramName(char **argv) {
  const char *slash = strrchr(argv[0], '/');
  return slash ? slash + 1 : argv[0];
}

}  // namespace

extern "C" int pc_flagarg(int *argc, char **argv, const char *flag_name) {
  int found = 0;
  lexkit::TakeOption(
      argc, argv, flag_name, 0, [&](const char *) { found = 1; }, [] {});
  return found;
}

extern "C" int pc_intarg(int *argc, char **argv, const char *option,
                         int default_value) {
  int value = default_value;
  lexkit::TakeOption(
      argc, argv, option, 1,
      [&](const char *text) {
        char *end = nullptr;
        errno = 0;
        long parsed = strtol(text, &end, 10);
        if (end == text || *end != '\0' || errno == ERANGE || parsed < INT_MIN ||
            parsed > INT_MAX)
          quit(-1, "%s : Error : option %s needs an integer value, not '%s'.\n",
               ProgramName(argv), option, text);
        value = static_cast<int>(parsed);
      },
      [&] {
        quit(-1, "%s : Error : option %s needs an integer value.\n", ProgramName(argv),
             option);
      });
  return value;
}

extern "C" void report_version(int *argc, char **argv) {
  if (pc_flagarg(argc, argv, "-version")) {
    fputs(kToolkitVersion, stderr);
    exit(0);
  }
}

extern "C" void pc_report_unk_args(int *argc, char **argv, int verbosity) {
  (void)verbosity;  // unrecognised arguments are always fatal
  if (*argc <= 1) return;
  for (int i = 1; i < *argc; ++i)
    fprintf(stderr, "%s : Error : unrecognised argument '%s'.\n",
            ProgramName(argv), argv[i]);
  quit(-1, "%s : Run '%s -help' for the options.\n", ProgramName(argv),
       ProgramName(argv));
}
