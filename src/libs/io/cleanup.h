// Scoped forms of the clean-up registry of lexkit/cleanup.h: a temporary
// path removed unless kept, and a span with the clean-up signals held off.
// Header-only, so that the library and the programs share the one registry
// behind the C functions.
#ifndef LEXKIT_LIBS_IO_CLEANUP_H
#define LEXKIT_LIBS_IO_CLEANUP_H

#include <string>

#include "lexkit/cleanup.h"

namespace lexkit {

// Installs the exit and signal handlers (idempotent). A program calls it
// before its first temporary exists.
inline void InstallCleanupHandlers() { ox_cleanup_install(); }

// A path removed when destroyed, unless kept, and when the process ends
// early while it exists.
class TemporaryPath {
 public:
  enum class Kind {
    kFile,
    kDirectory,  // removed with the files in it
  };

  // Registers `path`, which the caller has just created (or is about to).
  TemporaryPath(std::string path, Kind kind)
      : path_(std::move(path)),
        handle_(ox_cleanup_register(path_.c_str(), kind == Kind::kDirectory)) {}
  ~TemporaryPath() { Remove(); }
  TemporaryPath(const TemporaryPath &) = delete;
  TemporaryPath &operator=(const TemporaryPath &) = delete;

  const std::string &path() const { return path_; }

  // Removes the path now; it is no longer registered.
  void Remove() { Release(true); }
  // Leaves the path where it is; it is no longer registered.
  void Keep() { Release(false); }

 private:
  void Release(bool remove_now) {
    if (handle_ < 0) return;
    ox_cleanup_release(handle_, remove_now);
    handle_ = -1;
  }

  const std::string path_;
  int handle_;
};

// Holds off the clean-up signals for its lifetime.
class CleanupSignalsHeld {
 public:
  CleanupSignalsHeld() { ox_cleanup_hold_signals(1); }
  ~CleanupSignalsHeld() { ox_cleanup_hold_signals(0); }
  CleanupSignalsHeld(const CleanupSignalsHeld &) = delete;
  CleanupSignalsHeld &operator=(const CleanupSignalsHeld &) = delete;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_IO_CLEANUP_H
