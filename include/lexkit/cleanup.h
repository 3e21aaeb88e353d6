/* lexkit: removal of a program's temporary files and directories when it
 * ends before it is done with them.
 *
 * A registered path is removed when the process ends while it is still
 * registered: through exit() (so after every fatal error's quit) and
 * through SIGINT, SIGTERM, SIGHUP and SIGPIPE, after which the process ends
 * by the signal, with the status the signal gives without a handler. A
 * signal that was ignored when the handlers were installed (nohup's SIGHUP)
 * stays ignored. SIGPIPE ends the process only when standard output's
 * reader has gone (`prog | head -1`); raised by a compressor that died, it
 * is left to the write it interrupted, which fails with EPIPE and is
 * reported. Only the process that installed the handlers removes anything:
 * a child between fork and exec (popen's) leaves the paths alone.
 *
 * One registry serves the library and the program that links it. */
#ifndef LEXKIT_CLEANUP_H
#define LEXKIT_CLEANUP_H

#include "general.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Installs the exit and signal handlers; later calls in the same process
 * do nothing. Registering a path installs them too. */
LEXKIT_EXPORT void ox_cleanup_install(void);

/* Registers `path` (a copy is kept): a file, or with `is_directory` a
 * directory, removed with the files in it. Returns the handle for
 * ox_cleanup_release. */
LEXKIT_EXPORT int ox_cleanup_register(const char *path, int is_directory);

/* Ends a registration; with `remove_now` non-zero the path is removed
 * first, otherwise it stays where it is. */
LEXKIT_EXPORT void ox_cleanup_release(int handle, int remove_now);

/* Holds off the clean-up signals (hold non-zero) until the matching call
 * with hold zero; holds nest. A path created and registered meanwhile has
 * no moment at which a signal would leave it behind; a signal that
 * arrives meanwhile is handled at the end. */
LEXKIT_EXPORT void ox_cleanup_hold_signals(int hold);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_CLEANUP_H */
