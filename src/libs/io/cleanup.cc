// Removal of registered temporary paths on exit and on the termination
// signals (contract in cleanup.h).
//
// The registry is a fixed table of plain slots, changed only while the
// signals are held off, so the handler always sees it whole. The handler
// uses async-signal-safe calls only: the directory is listed with
// getdents64 rather than readdir, which allocates.
#include "libs/io/cleanup.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "lexkit/general.h"

namespace lexkit {

namespace {

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

struct Slot {
  const char *path;  // the TemporaryPath's own string; null when free
  TemporaryPath::Kind kind;
};

constexpr int kSlots = 64;
Slot g_slots[kSlots];
pid_t g_owner = 0;  // the process whose paths these are; 0 before install

sigset_t CleanupSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kSignals) sigaddset(&set, sig);
  return set;
}

// Removes a directory's entries; returns how many went.
int RemoveEntries(int dir_fd) {
  int removed = 0;
  alignas(struct dirent64) char listing[8192];
  ssize_t got;
  while ((got = getdents64(dir_fd, listing, sizeof listing)) > 0) {
    for (ssize_t at = 0; at < got;) {
      const auto *entry = reinterpret_cast<const struct dirent64 *>(listing + at);
      at += entry->d_reclen;
      const char *name = entry->d_name;
      if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
      if (unlinkat(dir_fd, name, 0) == 0 || unlinkat(dir_fd, name, AT_REMOVEDIR) == 0)
        ++removed;
    }
  }
  return removed;
}

// Removes `path`: a file, or a directory with the files in it. Returns the
// number of files removed from a directory.
int RemovePath(const char *path, TemporaryPath::Kind kind) {
  if (kind == TemporaryPath::Kind::kFile) {
    unlink(path);
    return 0;
  }
  // Entries removed during a listing may hide others from it, and a
  // compressor started a moment ago may create its file late: list again
  // while that makes progress.
  int removed = 0;
  for (;;) {
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return removed;
    const int now = RemoveEntries(fd);
    close(fd);
    removed += now;
    if (rmdir(path) == 0 || errno != ENOTEMPTY || now == 0) return removed;
  }
}

void RemoveAllRegistered(bool report) {
  if (g_owner != getpid()) return;
  for (Slot &slot : g_slots) {
    if (slot.path == nullptr) continue;
    const int files = RemovePath(slot.path, slot.kind);
    // A failed merge says that it keeps its inputs; they are gone now.
    if (report && files > 0)
      fprintf(stderr, "%s : removed the temporary files in %s\n",
              program_invocation_short_name, slot.path);
    slot.path = nullptr;
  }
}

void RemoveAtExit() { RemoveAllRegistered(true); }

// A write to a pipe whose reader has gone marks the pipe with POLLERR.
bool StdoutReaderGone() {
  struct pollfd out = {STDOUT_FILENO, POLLOUT, 0};
  return poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLHUP)) != 0;
}

void OnSignal(int sig) {
  if (sig == SIGPIPE && !StdoutReaderGone()) return;
  RemoveAllRegistered(false);
  // End as the signal would have ended the process without this handler.
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(sig, &fallback, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  _exit(128 + sig);
}

int TakeSlot(const char *path, TemporaryPath::Kind kind) {
  CleanupSignalsHeld held;
  for (int i = 0; i < kSlots; ++i) {
    if (g_slots[i].path == nullptr) {
      g_slots[i] = {path, kind};
      return i;
    }
  }
  quit(-1, "%s : Error : more than %d temporary files at once\n",
       program_invocation_short_name, kSlots);
}

void FreeSlot(int slot) {
  CleanupSignalsHeld held;
  g_slots[slot].path = nullptr;
}

}  // namespace

void InstallCleanupHandlers() {
  if (g_owner == getpid()) return;
  // A forked child starts with its parent's registrations: not its own.
  for (Slot &slot : g_slots) slot.path = nullptr;
  g_owner = getpid();
  atexit(RemoveAtExit);
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  action.sa_mask = CleanupSignals();  // one clean-up at a time
  action.sa_flags = SA_RESTART;
  for (int sig : kSignals) {
    struct sigaction current;
    if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    sigaction(sig, &action, nullptr);
  }
}

TemporaryPath::TemporaryPath(std::string path, Kind kind)
    : path_(std::move(path)), kind_(kind) {
  InstallCleanupHandlers();
  slot_ = TakeSlot(path_.c_str(), kind_);
}

TemporaryPath::~TemporaryPath() { Remove(); }

void TemporaryPath::Remove() {
  if (slot_ < 0) return;
  RemovePath(path_.c_str(), kind_);
  Keep();
}

void TemporaryPath::Keep() {
  if (slot_ < 0) return;
  FreeSlot(slot_);
  slot_ = -1;
}

CleanupSignalsHeld::CleanupSignalsHeld() {
  const sigset_t set = CleanupSignals();
  sigprocmask(SIG_BLOCK, &set, &previous_);
}

CleanupSignalsHeld::~CleanupSignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace lexkit
