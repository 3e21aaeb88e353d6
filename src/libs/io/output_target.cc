// Output targets: the name checked, the temporary file beside it, and its
// placing when complete (contract in output_target.h).
#include "libs/io/output_target.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <vector>

namespace lexkit {

namespace {

bool Failed(std::string *reason, int error) {
  *reason = strerror(error);
  return false;
}

// `name` with symbolic links followed to the file they lead to, which need
// not exist: a dangling link names the file to create, as for the shell's
// ">". Directories on the way are resolved by the system. False with the
// reason on a loop or an unreadable link.
bool FollowLinks(const std::string &name, std::string *path, std::string *reason) {
  *path = name;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path->c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::vector<char> link(PATH_MAX);
    const ssize_t len = readlink(path->c_str(), link.data(), link.size());
    if (len < 0) return Failed(reason, errno);
    const std::string to(link.data(), static_cast<size_t>(len));
    const size_t slash = path->rfind('/');
    *path = to[0] == '/' || slash == std::string::npos ? to : path->substr(0, slash + 1) + to;
  }
  return Failed(reason, ELOOP);
}

// Six letters or digits that differ between calls, processes and moments:
// a candidate for a name no one else uses (O_EXCL makes sure).
std::string UniqueTag() {
  static std::atomic<uint64_t> calls{0};
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  uint64_t v = (static_cast<uint64_t>(getpid()) << 40) ^ (calls++ << 24) ^
               static_cast<uint64_t>(now.tv_nsec) ^ static_cast<uint64_t>(now.tv_sec) << 30;
  v *= 0x9E3779B97F4A7C15ull;  // spreads every input bit over the top ones
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string tag(6, '0');
  for (char &c : tag) {
    c = kDigits[(v >> 58) % 62];
    v <<= 6;
  }
  return tag;
}

// Creates `dir`.<program>-<tag>-`base` exclusively, with 0666 less the
// umask as the shell's ">" would (the kernel applies the umask: no call
// that reads it, which would race with other threads). The open file's
// descriptor, or -1 with errno.
int CreateBeside(const std::string &dir, const std::string &base, std::string *name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = dir + "." + program_invocation_short_name + "-" + UniqueTag() + "-" + base;
    const int fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

bool OutputTarget::Open(const std::string &name, Cleanup cleanup, std::string *reason) {
  Abandon();
  if (!FollowLinks(name, &target_, reason)) return false;
  struct stat st;
  const bool exists = stat(target_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return Failed(reason, errno);
  if (exists && S_ISDIR(st.st_mode)) return Failed(reason, EISDIR);
  // Writable as the shell's ">" would find it: by the permission bits, or
  // by root.
  if (exists && faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
    return Failed(reason, errno);
  if (exists && !S_ISREG(st.st_mode)) return true;  // a device or a FIFO: written directly

  // The temporary file: hidden, in the same directory (a rename never
  // crosses file systems), ending in the file's own name.
  const size_t slash = target_.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  const std::string base = target_.substr(dir.size());
  std::string temporary;
  int fd;
  if (cleanup == Cleanup::kAlsoAtExit) {
    CleanupSignalsHeld held;  // no signal between creating and registering
    fd = CreateBeside(dir, base, &temporary);
    if (fd >= 0)
      registered_ = std::make_unique<TemporaryPath>(temporary, TemporaryPath::Kind::kFile);
  } else {
    fd = CreateBeside(dir, base, &temporary);
  }
  if (fd < 0) return Failed(reason, errno);
  temporary_ = temporary;
  if (exists) {
    if ((st.st_uid != geteuid() || st.st_gid != getegid()) &&
        fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Only root may give a file away: the process's own ids stay.
    }
    // After the owner, whose change clears set-id bits.
    fchmod(fd, st.st_mode & 07777);
    fill_in_place_ = st.st_nlink > 1;
  }
  close(fd);
  return true;
}

bool OutputTarget::Commit(std::string *reason) {
  if (temporary_.empty()) return true;
  bool placed;
  if (fill_in_place_) {
    placed = FillInPlace(reason);  // the temporary goes either way
  } else if ((placed = rename(temporary_.c_str(), target_.c_str()) == 0)) {
    if (registered_) registered_->Keep();
    registered_.reset();
    temporary_.clear();
  } else {
    Failed(reason, errno);
  }
  Abandon();
  return placed;
}

void OutputTarget::Abandon() {
  if (temporary_.empty()) return;
  if (registered_)
    registered_->Remove();
  else
    unlink(temporary_.c_str());
  registered_.reset();
  temporary_.clear();
}

// Copies the complete temporary file into the target, which keeps its
// inode and with it every hard link.
bool OutputTarget::FillInPlace(std::string *reason) {
  const int in = open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = in < 0 ? -1 : open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  bool ok = out >= 0;
  std::vector<char> block(1 << 20);
  ssize_t got = 0;
  while (ok && (got = read(in, block.data(), block.size())) != 0) {
    if (got < 0) {
      ok = errno == EINTR;
      continue;
    }
    for (ssize_t done = 0, put; ok && done < got; done += put > 0 ? put : 0) {
      put = write(out, block.data() + done, static_cast<size_t>(got - done));
      ok = put >= 0 || errno == EINTR;
    }
  }
  if (out >= 0 && close(out) != 0) ok = false;
  const int error = errno;
  if (in >= 0) close(in);
  return ok || Failed(reason, error);
}

}  // namespace lexkit
