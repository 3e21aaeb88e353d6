#include "libs/io/output_file.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "lexkit/general.h"

namespace lexkit {
namespace {

// Temporaries not yet committed, removed when the process ends through
// exit() (every fatal error does, through quit).
std::vector<std::string> &Pending() {
  static std::vector<std::string> pending;
  return pending;
}

void RemovePending() {
  for (const std::string &name : Pending()) remove(name.c_str());
}

void Forget(const std::string &name) {
  std::vector<std::string> &pending = Pending();
  pending.erase(std::remove(pending.begin(), pending.end(), name), pending.end());
}

// ".<base>.<pid>~" beside the path would lose a ".gz" ending; the process
// id goes in front of the base name instead, which keeps it.
std::string TemporaryName(const std::string &path) {
  const size_t slash = path.rfind('/');
  const size_t base = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, base) + ".tmp-" + std::to_string(getpid()) + "-" +
         path.substr(base);
}

// Standard output, a device or a pipe cannot be replaced by a renamed file
// (and renaming over /dev/full would remove the device): they are written
// directly.
bool WrittenInPlace(const std::string &path) {
  struct stat st;
  return path == "-" || (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode));
}

}  // namespace

OutputFile::OutputFile(const char *path) : path_(path) {
  if (!WrittenInPlace(path_)) {
    temporary_ = TemporaryName(path_);
    // The list exists before the handler is registered, so that at exit
    // the handler runs before the list is destroyed.
    Pending().push_back(temporary_);
    static const bool registered = atexit(RemovePending) == 0;
    (void)registered;
  }
  fp_ = ox_oopen(temporary_.empty() ? path : temporary_.c_str());
}

OutputFile::~OutputFile() {
  if (fp_ == nullptr || temporary_.empty()) return;
  ox_oclose(fp_);
  remove(temporary_.c_str());
  Forget(temporary_);
}

void OutputFile::Commit() {
  FILE *fp = fp_;
  fp_ = nullptr;
  if (fp == stdout) {
    if (fflush(stdout) != 0 || ferror(stdout))
      quit(-1, "Error : could not write '%s': %s\n", path_.c_str(), strerror(errno));
    return;
  }
  ox_oclose(fp);  // a failed write or close ends the process
  if (temporary_.empty()) return;
  if (rename(temporary_.c_str(), path_.c_str()) != 0)
    quit(-1, "Error : could not rename '%s' to '%s': %s\n", temporary_.c_str(),
         path_.c_str(), strerror(errno));
  Forget(temporary_);
}

}  // namespace lexkit
