// Opens output files by name: "-" is stdout, ".Z" and ".gz" names are
// written through a compressor.
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>

#include <string>

#include "lexkit/general.h"
#include "libs/io/shell_quote.h"

extern "C" {
LEXKIT_EXPORT char OXo_is_Z[100];
}

namespace {

const char kOp[] = "ox_oopen";

std::string g_names[100];

void IgnoreSignal(int) {}

// A compressor that dies must surface as a failed write with a message, not
// as a silent death of this process by SIGPIPE. A handler that does nothing
// has that effect and, unlike SIG_IGN, is not inherited by the commands
// started later, so a decompressor closed early still ends quietly. A
// disposition the caller chose is left alone.
void TurnPipeSignalIntoWriteError() {
  struct sigaction current;
  if (sigaction(SIGPIPE, nullptr, &current) != 0) return;
  if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) return;
  struct sigaction action = {};
  action.sa_handler = IgnoreSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGPIPE, &action, nullptr);
}

}  // namespace

extern "C" FILE *ox_oopen(const char *path) {
  const std::string name(path);
  if (name == "-") return stdout;

  std::string command;
  if (lexkit::EndsWith(name, ".Z")) {
    if (name.size() > 239) quit(-1, "%s: pathname '%s' is too long\n", kOp, path);
    // -f: compress writes its output in any case, but without it ends with
    // status 2 when that output is not smaller than the input, which the
    // close would take for a failure.
    command = "compress -f > " + lexkit::ShellQuote(name);
  } else if (lexkit::EndsWith(name, ".gz")) {
    if (name.size() > 243) quit(-1, "%s: pathname '%s' is too long\n", kOp, path);
    command = "gzip > " + lexkit::ShellQuote(name);
  }

  FILE *fp;
  char is_z = 0;
  if (command.empty()) {
    fp = ox_fopen(path, "wb");
  } else {
    TurnPipeSignalIntoWriteError();
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
  // The reason of a failure seen now; a write that failed earlier left only
  // the stream's error flag, not its errno.
  std::string reason;
  if (fflush(fp) != 0)
    reason = strerror(errno);
  else if (ferror(fp))
    reason = "an earlier write failed";
  if (fd >= 0 && fd <= 99 && OXo_is_Z[fd]) {
    int status = pclose(fp);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      quit(-1, "%s: the compressor writing '%s' failed\n", "ox_oclose",
           name.c_str());
    }
  } else if (fclose(fp) != 0 && reason.empty()) {
    reason = strerror(errno);
  }
  if (!reason.empty())
    quit(-1, "%s: could not write '%s': %s\n", "ox_oclose", name.c_str(),
         reason.c_str());
  return nullptr;
}
