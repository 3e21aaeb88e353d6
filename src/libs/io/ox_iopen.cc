// Opens input files by name: "-" is stdin, ".Z" and ".gz" names are read
// through a decompressor, and a missing plain name is looked for with ".Z"
// and then ".gz" appended.
#include <stdio.h>
#include <sys/wait.h>

#include <string>

#include "lexkit/general.h"
#include "libs/io/shell_quote.h"

extern "C" {
LEXKIT_EXPORT char OXi_is_Z[100];
}

namespace {

const char kOp[] = "ox_iopen";
const size_t kMaxPath = 239;

// The name each open descriptor was opened under, for close-time messages.
std::string g_names[100];

}  // namespace

extern "C" FILE *ox_iopen(const char *path) {
  const std::string name(path);
  if (name == "-") return stdin;
  if (name.size() > kMaxPath) quit(-1, "%s: pathname '%s' is too long\n", kOp, path);

  FILE *fp = nullptr;
  std::string command;
  std::string opened = name;
  if (lexkit::EndsWith(name, ".Z") || lexkit::EndsWith(name, ".gz")) {
    if (!ox_fexists(path)) quit(-1, "%s: file '%s' not found\n", kOp, path);
    command = lexkit::EndsWith(name, ".Z")
                  ? "zcat " + lexkit::ShellArg(name)
                  : "cat " + lexkit::ShellArg(name) + " | gunzip";
  } else if (ox_fexists(path)) {
    fp = ox_fopen(path, "rb");
  } else if (ox_fexists((name + ".Z").c_str())) {
    opened = name + ".Z";
    command = "zcat " + lexkit::ShellArg(opened);
  } else if (ox_fexists((name + ".gz").c_str())) {
    opened = name + ".gz";
    command = "cat " + lexkit::ShellArg(opened) + " | gunzip";
  } else {
    quit(-1, "%s: None of '%s' '%s.Z' or '%s.gz' exist.\n", kOp, path, path, path);
  }

  char is_z = 0;
  if (fp == nullptr) {
    fp = popen(command.c_str(), "r");
    if (fp == nullptr)
      quit(-1, "%s: problems opening the pipe '%s' for input.\n", kOp,
           command.c_str());
    is_z = 1;
  }
  int fd = fileno(fp);
  if (fd > 99) quit(-1, "%s: fileno = %d is too large\n", kOp, fd);
  OXi_is_Z[fd] = is_z;
  g_names[fd] = opened;
  return fp;
}

extern "C" void *ox_iclose(FILE *fp) {
  if (fp == stdin) return nullptr;
  int fd = fileno(fp);
  if (fd < 0 || fd > 99) {
    fclose(fp);
    return nullptr;
  }
  if (!OXi_is_Z[fd]) {
    fclose(fp);
    return nullptr;
  }
  // A decompressor that fails after its output was read to the end means a
  // truncated or corrupt file; one stopped early by the close is expected.
  // Status 2 is gzip's warning (trailing garbage ignored): the data is whole.
  bool read_to_end = feof(fp) != 0;
  std::string name = g_names[fd];
  int status = pclose(fp);
  bool failed = status == -1 || !WIFEXITED(status) ||
                (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 2);
  if (read_to_end && failed)
    quit(-1, "%s: decompressing '%s' failed: the file is truncated or corrupt\n",
         "ox_iclose", name.c_str());
  return nullptr;
}
