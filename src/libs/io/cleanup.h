// Clean-up of a program's temporary files and directories when it ends
// before it is done with them.
//
// A TemporaryPath is removed when it is destroyed (unless kept) and, while
// it exists, when the process ends early: through exit() (so after every
// fatal error's quit) and through SIGINT, SIGTERM, SIGHUP and SIGPIPE,
// after which the process ends by the signal, with the status the signal
// gives without a handler. A signal that was ignored when the handlers were
// installed (nohup's SIGHUP) stays ignored.
//
// SIGPIPE ends the process only when standard output's reader has gone
// (`prog | head -1`). Raised by a compressor that died, it is left to the
// write it interrupted, which fails with EPIPE and is reported with the
// file's name.
//
// Only the process that installed the handlers removes anything: a child
// between fork and exec (popen's) leaves the paths alone.
#ifndef LEXKIT_LIBS_IO_CLEANUP_H
#define LEXKIT_LIBS_IO_CLEANUP_H

#include <signal.h>

#include <string>

namespace lexkit {

// Installs the exit and signal handlers; later calls do nothing. A program
// calls it before its first temporary exists, and TemporaryPath calls it
// too.
void InstallCleanupHandlers();

// A path that is removed unless kept.
class TemporaryPath {
 public:
  enum class Kind {
    kFile,
    kDirectory,  // removed with the files in it
  };

  // Registers `path`, which the caller has just created (or is about to).
  TemporaryPath(std::string path, Kind kind);
  ~TemporaryPath();  // Remove()
  TemporaryPath(const TemporaryPath &) = delete;
  TemporaryPath &operator=(const TemporaryPath &) = delete;

  const std::string &path() const { return path_; }

  // Removes the path now; it is no longer registered.
  void Remove();
  // Leaves the path where it is; it is no longer registered.
  void Keep();

 private:
  const std::string path_;
  const Kind kind_;
  int slot_;  // in the registry; -1 once removed or kept
};

// Holds off the clean-up signals for its lifetime, so that a path can be
// created and registered with no moment at which a signal would leave it
// behind. A signal that arrives meanwhile is handled at the end.
class CleanupSignalsHeld {
 public:
  CleanupSignalsHeld();
  ~CleanupSignalsHeld();
  CleanupSignalsHeld(const CleanupSignalsHeld &) = delete;
  CleanupSignalsHeld &operator=(const CleanupSignalsHeld &) = delete;

 private:
  sigset_t previous_;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_IO_CLEANUP_H
