// Output files that end the process on any failure (contract in
// output_file.h).
#include "libs/io/output_file.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "lexkit/general.h"

namespace lexkit {

namespace {

[[noreturn]] void Fail(const std::string &name, const std::string &reason) {
  if (name == "-")
    quit(-1, "%s : Error : cannot write the standard output: %s\n",
         program_invocation_short_name, reason.c_str());
  quit(-1, "%s : Error : cannot write '%s': %s\n", program_invocation_short_name,
       name.c_str(), reason.c_str());
}

}  // namespace

OutputFile::OutputFile(const char *path) : name_(path) {
  if (name_ == "-") return;
  std::string reason;
  if (!target_.Open(name_, OutputTarget::Cleanup::kAlsoAtExit, &reason)) Fail(name_, reason);
}

OutputFile::~OutputFile() {
  if (committed_ || fp_ == nullptr || fp_ == stdout) return;
  // Abandoned: closed without the checks of ox_oclose, which end the
  // process; the temporary file goes with target_.
  if (OXo_is_Z[fileno(fp_)])
    pclose(fp_);
  else
    fclose(fp_);
}

FILE *OutputFile::stream() {
  if (fp_ == nullptr) fp_ = ox_oopen(name_ == "-" ? "-" : written_path().c_str());
  return fp_;
}

const std::string &OutputFile::written_path() const {
  return target_.write_path();
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
  std::string reason;
  if (!target_.Commit(&reason)) Fail(name_, reason);
}

}  // namespace lexkit
