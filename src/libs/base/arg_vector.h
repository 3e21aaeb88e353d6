// Taking options out of a program's argument vector. Every option routine
// removes what it recognises and lowers the count, so that what is left at
// the end is unrecognised. Header-only, so that programs, which see only the
// library's C interface, use the same code as the pc_ option routines.
#ifndef LEXKIT_ARG_VECTOR_H
#define LEXKIT_ARG_VECTOR_H

#include <cstring>

#include "lexkit/general.h"

namespace lexkit {

// Removes `count` arguments starting at index `at`.
inline void RemoveArgs(int *argc, char **argv, int at, int count) {
  for (int i = at; i + count <= *argc; ++i) argv[i] = argv[i + count];
  *argc -= count;
}

// Takes every occurrence of `option` after argv[0] out of the vector, in
// order, each with the `values` (0 or 1) arguments that follow it, and
// calls take(value) for it: `value` is the argument after the option, or
// null when `values` is 0. An option that lacks its value calls missing(),
// which ends the process.
template <typename Take, typename Missing>
void TakeOption(int *argc, char **argv, const char *option, int values, Take take,
                Missing missing) {
  for (int i = 1; i < *argc;) {
    if (std::strcmp(argv[i], option) != 0) {
      ++i;
      continue;
    }
    if (i + values >= *argc) {
      missing();
      return;
    }
    take(values != 0 ? argv[i + 1] : nullptr);
    RemoveArgs(argc, argv, i, 1 + values);
  }
}

// "-option value": the last value given, null when the option is absent.
// `program` names the program in the message for a missing value.
inline const char *TakeStringOption(int *argc, char **argv, const char *option,
                                    const char *program) {
  const char *value = nullptr;
  TakeOption(
      argc, argv, option, 1, [&](const char *given) { value = given; },
      [&] { quit(-1, "%s : Error : option %s needs a value.\n", program, option); });
  return value;
}

}  // namespace lexkit

#endif  // LEXKIT_ARG_VECTOR_H
