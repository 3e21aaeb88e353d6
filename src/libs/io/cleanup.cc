// Removal of registered temporary paths on exit and on the termination
// signals (contract in lexkit/cleanup.h).
//
// The registry is a fixed table of plain slots, changed only while the
// signals are held off, so the handler always sees it whole. The handler
// uses async-signal-safe calls only: the directory is listed with
// getdents64 rather than readdir, which allocates.
#include "lexkit/cleanup.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

struct Slot {
  char *path;  // a copy of the registered path; null when free
  bool directory;
};

constexpr int kSlots = 64;
Slot g_slots[kSlots];
pid_t g_owner = 0;  // the process whose paths these are; 0 before install
int g_hold_depth = 0;
sigset_t g_mask_before_hold;

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
int RemovePath(const char *path, bool directory) {
  if (!directory) {
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

// Removes every registered path; the slots are not freed (the process is
// ending).
void RemoveAllRegistered(bool report) {
  if (g_owner != getpid()) return;
  for (Slot &slot : g_slots) {
    if (slot.path == nullptr) continue;
    const int files = RemovePath(slot.path, slot.directory);
    // A failed merge says that it keeps its inputs; they are gone now.
    if (report && files > 0)
      fprintf(stderr, "%s : removed the temporary files in %s\n",
              program_invocation_short_name, slot.path);
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

sigset_t CleanupSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kSignals) sigaddset(&set, sig);
  return set;
}

}  // namespace

extern "C" void ox_cleanup_install(void) {
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

extern "C" int ox_cleanup_register(const char *path, int is_directory) {
  ox_cleanup_install();
  char *copy = salloc(path);
  ox_cleanup_hold_signals(1);
  for (int i = 0; i < kSlots; ++i) {
    if (g_slots[i].path == nullptr) {
      g_slots[i] = {copy, is_directory != 0};
      ox_cleanup_hold_signals(0);
      return i;
    }
  }
  quit(-1, "%s : Error : more than %d temporary files at once\n",
       program_invocation_short_name, kSlots);
}

extern "C" void ox_cleanup_release(int handle, int remove_now) {
  if (handle < 0 || handle >= kSlots || g_slots[handle].path == nullptr) return;
  char *path = g_slots[handle].path;
  if (remove_now) RemovePath(path, g_slots[handle].directory);
  ox_cleanup_hold_signals(1);
  g_slots[handle].path = nullptr;
  ox_cleanup_hold_signals(0);
  free(path);
}

extern "C" void ox_cleanup_hold_signals(int hold) {
  if (hold) {
    sigset_t previous;
    const sigset_t set = CleanupSignals();
    sigprocmask(SIG_BLOCK, &set, &previous);
    if (g_hold_depth++ == 0) g_mask_before_hold = previous;
  } else if (g_hold_depth > 0 && --g_hold_depth == 0) {
    sigprocmask(SIG_SETMASK, &g_mask_before_hold, nullptr);
  }
}
