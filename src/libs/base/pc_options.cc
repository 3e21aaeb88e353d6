// Command-line option routines. Each takes what it recognises out of the
// argument vector, so that what is left at the end is unrecognised.
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lexkit/pc_general.h"

namespace {

const char kToolkitVersion[] = "lexkit version 0.1.0\n";

// Removes `count` arguments starting at index `at`.
void RemoveArgs(int *argc, char **argv, int at, int count) {
  for (int i = at; i + count <= *argc; ++i) argv[i] = argv[i + count];
  *argc -= count;
}

const char *ProgramName(char **argv) {
  const char *slash = strrchr(argv[0], '/');
  return slash ? slash + 1 : argv[0];
}

}  // namespace

extern "C" int pc_flagarg(int *argc, char **argv, const char *flag_name) {
  int found = 0;
  for (int i = 1; i < *argc;) {
    if (strcmp(argv[i], flag_name) == 0) {
      RemoveArgs(argc, argv, i, 1);
      found = 1;
    } else {
      ++i;
    }
  }
  return found;
}

extern "C" int pc_intarg(int *argc, char **argv, const char *option,
                         int default_value) {
  int value = default_value;
  for (int i = 1; i < *argc;) {
    if (strcmp(argv[i], option) != 0) {
      ++i;
      continue;
    }
    if (i + 1 >= *argc)
      quit(-1, "%s : Error : option %s needs an integer value.\n",
           ProgramName(argv), option);
    const char *text = argv[i + 1];
    char *end = nullptr;
    errno = 0;
    long parsed = strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || parsed < INT_MIN ||
        parsed > INT_MAX)
      quit(-1, "%s : Error : option %s needs an integer value, not '%s'.\n",
           ProgramName(argv), option, text);
    value = static_cast<int>(parsed);
    RemoveArgs(argc, argv, i, 2);
  }
  return value;
}

extern "C" const char *pc_stringarg(int *argc, char **argv, const char *option,
                                    const char *default_value) {
  const char *value = default_value;
  for (int i = 1; i < *argc;) {
    if (strcmp(argv[i], option) != 0) {
      ++i;
      continue;
    }
    if (i + 1 >= *argc)
      quit(-1, "%s : Error : option %s needs a value.\n", ProgramName(argv), option);
    value = argv[i + 1];
    RemoveArgs(argc, argv, i, 2);
  }
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
