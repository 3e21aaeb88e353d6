// Rank 0's standard output, the launcher's (contract in launcher_stdout.h).
#include "mpi/launcher_stdout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace lexkit::mpi {

namespace {

// The parent and the name of process `pid`, from /proc/PID/stat:
// "PID (NAME) STATE PPID ...", where NAME may hold spaces and parentheses.
bool ParentAndName(long pid, long *parent, std::string *name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return false;
  const size_t open = stat.find('('), close = stat.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  *name = stat.substr(open + 1, close - open - 1);
  std::istringstream rest(stat.substr(close + 1));
  std::string state;
  return static_cast<bool>(rest >> state >> *parent);
}

// The nearest ancestor that is an MPI launcher, or 0.
long Launcher() {
  long pid = getppid(), parent = 0;
  std::string name;
  while (pid > 1 && ParentAndName(pid, &parent, &name)) {
    if (name == "mpirun" || name == "mpiexec" || name == "orterun" || name == "prterun")
      return pid;
    pid = parent;
  }
  return 0;
}

// The offset and the open flags of descriptor `fd` of process `pid`.
bool PositionAndFlags(long pid, int fd, off_t *pos, int *flags) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/fdinfo/" + std::to_string(fd));
  std::string key;
  bool have_pos = false, have_flags = false;
  while (in >> key) {
    if (key == "pos:") {
      long long value;
      have_pos = static_cast<bool>(in >> value);
      *pos = static_cast<off_t>(value);
    } else if (key == "flags:") {
      in >> std::oct >> *flags >> std::dec;
      have_flags = static_cast<bool>(in);
    }
  }
  return have_pos && have_flags;
}

}  // namespace

void WriteStdoutToLauncher() {
  const long launcher = Launcher();
  if (launcher == 0) return;
  const std::string path = "/proc/" + std::to_string(launcher) + "/fd/1";
  struct stat theirs, ours;
  off_t pos = 0;
  int flags = 0;
  if (stat(path.c_str(), &theirs) != 0 || fstat(STDOUT_FILENO, &ours) != 0 ||
      (theirs.st_dev == ours.st_dev && theirs.st_ino == ours.st_ino) ||
      !PositionAndFlags(launcher, 1, &pos, &flags))
    return;
  const int fd = open(path.c_str(), O_WRONLY | (flags & O_APPEND));
  if (fd < 0) return;
  // A file written from the start by the shell's ">" goes on where the
  // launcher is.
  if ((S_ISREG(theirs.st_mode) && !(flags & O_APPEND) && lseek(fd, pos, SEEK_SET) != pos) ||
      dup2(fd, STDOUT_FILENO) < 0) {
    close(fd);
    return;
  }
  close(fd);
}

}  // namespace lexkit::mpi
