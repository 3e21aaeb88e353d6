// Command-line option routines. Each takes what it recognises out of the
// argument vector, so that what is left at the end is unrecognised.
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "lexkit/pc_general.h"
#include "libs/base/arg_vector.h"

namespace {

const char kToolkitVersion[] = "lexkit version 0.1.0\n";

const char *ProgramName(char **argv) {
  const char *slash = strrchr(argv[0], '/');
  return slash ? slash + 1 : argv[0];
}

// The index of the last occurrence of `option`, checking that `values`
// arguments follow it; 0 when the option is absent.
int FindOption(int argc, char **argv, const char *option, int values,
               const char *what) {
  int found = 0;
  for (int i = 1; i < argc; ++i)
    if (strcmp(argv[i], option) == 0) found = i;
  if (found != 0 && found + values >= argc)
    quit(-1, "%s : Error : option %s needs %s.\n", ProgramName(argv), option,
         what);
  return found;
}

// The integer of `text`, or a fatal error naming the option.
int ParseInt(char **argv, const char *option, const char *text) {
  char *end = nullptr;
  errno = 0;
  long parsed = strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno == ERANGE || parsed < INT_MIN ||
      parsed > INT_MAX)
    quit(-1, "%s : Error : option %s needs an integer value, not '%s'.\n",
         ProgramName(argv), option, text);
  return static_cast<int>(parsed);
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
      [&](const char *text) { value = ParseInt(argv, option, text); },
      [&] {
        quit(-1, "%s : Error : option %s needs an integer value.\n",
             ProgramName(argv), option);
      });
  return value;
}

// The options below take their last occurrence and remove only it; an
// earlier one is then reported as unrecognised rather than silently lost.
extern "C" const char *pc_stringarg(int *argc, char **argv, const char *option,
                                    const char *default_value) {
  const int at = FindOption(*argc, argv, option, 1, "a value");
  if (at == 0) return default_value;
  const char *value = argv[at + 1];
  lexkit::RemoveArgs(argc, argv, at, 2);
  return value;
}

extern "C" double pc_doublearg(int *argc, char **argv, const char *option,
                               double default_value) {
  const int at = FindOption(*argc, argv, option, 1, "a number");
  if (at == 0) return default_value;
  const char *text = argv[at + 1];
  char *end = nullptr;
  errno = 0;
  const double value = strtod(text, &end);
  if (end == text || *end != '\0' || errno == ERANGE || value != value)
    quit(-1, "%s : Error : option %s needs a number, not '%s'.\n",
         ProgramName(argv), option, text);
  lexkit::RemoveArgs(argc, argv, at, 2);
  return value;
}

extern "C" int pc_intarrayarg(int *argc, char **argv, const char *option,
                              int count, int *values) {
  const std::string what = std::to_string(count) + " integer values";
  const int at = FindOption(*argc, argv, option, count, what.c_str());
  if (at == 0) return 0;
  for (int i = 0; i < count; ++i)
    values[i] = ParseInt(argv, option, argv[at + 1 + i]);
  lexkit::RemoveArgs(argc, argv, at, count + 1);
  return 1;
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
