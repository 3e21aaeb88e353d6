// Opens output files by name: "-" is stdout, ".Z" and ".gz" names are
// written through a compressor.
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>

#include <string>

#include "general.h"
#include "shell_quote.h"

extern "C" {
LEXKIT_EXPORT char OXo_is_Z[100];
}

namespace {

const char kOp[] = "ox_oopen";

std::string g_names[100];

}  // namespace

extern "C" FILE *ox_oopen(const char *path) {
  const std::string name(path);
  if (name == "-") return stdout;

  std::string command;
  if (lexkit::EndsWith(name, ".Z")) {
    if (name.size() > 239) quit(-1, "%s: pathname '%s' is too long\n", kOp, path);
    command = "compress > " + lexkit::ShellQuote(name);
  } else if (lexkit::EndsWith(name, ".gz")) {
    if (name.size() > 243) quit(-1, "%s: pathname '%s' is too long\n", kOp, path);
    command = "gzip > " + lexkit::ShellQuote(name);
  }

  FILE *fp;
  char is_z = 0;
  if (command.empty()) {
    fp = ox_fopen(path, "wb");
  } else {
    // A compressor that dies must surface as a failed write with a message,
    // not as a silent death of this process by SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    fp = popen(command.c_str(), "w");
    if (fp == nullptr)
      quit(-1, "%s: problems opening the pipe '%s' for output.\n", kOp,
           command.c_str());
    is_z = 1;
  }
  int fd = fileno(fp);
  if (fd > 99) quit(-1, "%s: fileno = %d is too large\n", kOp, fd);
  OXo_is_Z[fd] = is_z;
  g_names[fd] = name;
  return fp;
}

extern "C" void *ox_oclose(FILE *fp) {
  if (fp == stdout) return nullptr;
  int fd = fileno(fp);
  std::string name = (fd >= 0 && fd <= 99) ? g_names[fd] : std::string("?");
  bool failed = fflush(fp) != 0 || ferror(fp) != 0;
  int saved_errno = errno;
  if (fd >= 0 && fd <= 99 && OXo_is_Z[fd]) {
    int status = pclose(fp);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      quit(-1, "%s: the compressor writing '%s' failed\n", "ox_oclose",
           name.c_str());
    }
  } else {
    if (fclose(fp) != 0 && !failed) {
      failed = true;
      saved_errno = errno;
    }
  }
  if (failed)
    quit(-1, "%s: could not write '%s': %s\n", "ox_oclose", name.c_str(),
         strerror(saved_errno));
  return nullptr;
}
