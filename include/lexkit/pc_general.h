/* lexkit: verbosity-filtered messages and command-line option routines. */
#ifndef LEXKIT_PC_GENERAL_H
#define LEXKIT_PC_GENERAL_H

#include "general.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Prints on stderr when priority <= verbosity. Adds nothing to the text. */
LEXKIT_EXPORT void pc_message(unsigned short verbosity, unsigned short priority,
                              const char *msg, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

/* Option routines: each removes what it recognises from argv and lowers
 * *argc, so that only unrecognised arguments remain. */
LEXKIT_EXPORT int pc_flagarg(int *argc, char **argv, const char *flag_name);
LEXKIT_EXPORT int pc_intarg(int *argc, char **argv, const char *option,
                            int default_value);
/* The argument after `option` (the vector's own string), else the default. */
LEXKIT_EXPORT const char *pc_stringarg(int *argc, char **argv,
                                       const char *option,
                                       const char *default_value);
/* "-version": prints the toolkit's name and version on stderr, exits 0. */
LEXKIT_EXPORT void report_version(int *argc, char **argv);
/* Reports every argument left after argv[0] and ends the process (255). */
LEXKIT_EXPORT void pc_report_unk_args(int *argc, char **argv, int verbosity);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_PC_GENERAL_H */
