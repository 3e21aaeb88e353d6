// Output files written under a temporary name and put in place when
// complete (contract in output_file.h).
#include "libs/io/output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "lexkit/general.h"

namespace lexkit {

namespace {

[[noreturn]] void Fail(const std::string &name, const char *reason) {
  if (name == "-")
    quit(-1, "%s : Error : cannot write the standard output: %s\n",
         program_invocation_short_name, reason);
  quit(-1, "%s : Error : cannot write '%s': %s\n", program_invocation_short_name,
       name.c_str(), reason);
}

// `path` with symbolic links followed to the file they lead to, which need
// not exist: a dangling link names the file to create, as for the shell's
// ">". Directories on the way are resolved by the system.
std::string FollowLinks(const std::string &name) {
  std::string path = name;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> link(PATH_MAX);
    const ssize_t len = readlink(path.c_str(), link.data(), link.size());
    if (len < 0) Fail(name, strerror(errno));
    const std::string to(link.data(), static_cast<size_t>(len));
    const size_t slash = path.rfind('/');
    path = to[0] == '/' || slash == std::string::npos ? to : path.substr(0, slash + 1) + to;
  }
  Fail(name, strerror(ELOOP));
}

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

OutputFile::OutputFile(const char *path) : name_(path), target_(path) {
  if (name_ == "-") return;
  target_ = FollowLinks(name_);
  struct stat st;
  const bool exists = stat(target_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) Fail(name_, strerror(errno));
  if (exists && S_ISDIR(st.st_mode)) Fail(name_, strerror(EISDIR));
  // Writable as the shell's ">" would find it: by the permission bits, or
  // by root.
  if (exists && faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
    Fail(name_, strerror(errno));
  if (exists && !S_ISREG(st.st_mode)) return;  // a device or a FIFO: written directly

  // The temporary file: hidden, in the same directory (a rename never
  // crosses file systems), ending in the file's own name.
  const size_t slash = target_.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  const std::string base = target_.substr(dir.size());
  std::string name = dir + "." + program_invocation_short_name + "-XXXXXX-" + base;
  CleanupSignalsHeld held;  // no signal between creating and registering
  const int fd = mkostemps(&name[0], static_cast<int>(base.size() + 1), O_CLOEXEC);
  if (fd < 0) Fail(name_, strerror(errno));
  temporary_ = std::make_unique<TemporaryPath>(name, TemporaryPath::Kind::kFile);
  if (exists) {
    if ((st.st_uid != geteuid() || st.st_gid != getegid()) &&
        fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Only root may give a file away: the process's own ids stay.
    }
    fill_in_place_ = st.st_nlink > 1;
  }
  // After the owner, whose change clears set-id bits.
  fchmod(fd, exists ? st.st_mode & 07777 : 0666 & ~CurrentUmask());
  close(fd);
}

OutputFile::~OutputFile() {
  if (committed_ || fp_ == nullptr || fp_ == stdout) return;
  // Abandoned: closed without the checks of ox_oclose, which end the
  // process; the temporary file goes with temporary_.
  if (OXo_is_Z[fileno(fp_)])
    pclose(fp_);
  else
    fclose(fp_);
}

FILE *OutputFile::stream() {
  if (fp_ == nullptr) fp_ = ox_oopen(written_path().c_str());
  return fp_;
}

const std::string &OutputFile::written_path() const {
  return temporary_ ? temporary_->path() : target_;
}

void OutputFile::Commit() {
  FILE *fp = stream();
  // What is still buffered goes out here, so that a failed write is
  // reported under the name the user gave.
  if (fflush(fp) != 0) Fail(name_, strerror(errno));
  if (ferror(fp)) Fail(name_, "an earlier write failed");
  ox_oclose(fp);
  fp_ = nullptr;
  CommitWritten();
}

void OutputFile::CommitWritten() {
  committed_ = true;
  if (!temporary_) return;
  if (fill_in_place_) {
    FillInPlace();
    temporary_->Remove();
    return;
  }
  if (rename(temporary_->path().c_str(), target_.c_str()) != 0) Fail(name_, strerror(errno));
  temporary_->Keep();
}

// Copies the complete temporary file into the target, which keeps its
// inode and with it every hard link.
void OutputFile::FillInPlace() {
  const int in = open(temporary_->path().c_str(), O_RDONLY | O_CLOEXEC);
  const int out = open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (in < 0 || out < 0) Fail(name_, strerror(errno));
  std::vector<char> block(1 << 20);
  ssize_t got;
  while ((got = read(in, block.data(), block.size())) > 0) {
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(out, block.data() + done, static_cast<size_t>(got - done));
      if (put < 0) Fail(name_, strerror(errno));
      done += put;
    }
  }
  if (got < 0) Fail(name_, strerror(errno));
  close(in);
  if (close(out) != 0) Fail(name_, strerror(errno));
}

}  // namespace lexkit
