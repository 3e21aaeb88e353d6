// An output file named by the user, written so that a failed run never
// leaves it part-written and never replaces what it should not: the rule of
// output_target.h (a temporary file beside a regular one, renamed over it
// when complete; a device or a FIFO written directly), with "-" for
// standard output, the stream opened through ox_oopen (so ".gz" and ".Z"
// names are compressed), and every failure ending the process.
//
// The name is checked when the OutputFile is made, before any work: a file
// that cannot be written ends the process with a message naming it. Until
// Commit, the temporary file is removed when the OutputFile is destroyed
// and when the process ends early (cleanup.h).
#ifndef LEXKIT_LIBS_IO_OUTPUT_FILE_H
#define LEXKIT_LIBS_IO_OUTPUT_FILE_H

#include <stdio.h>

#include <memory>
#include <string>

#include "libs/io/output_target.h"

namespace lexkit {

class OutputFile {
 public:
  // quit(-1, ...) naming `path` when it cannot be written.
  explicit OutputFile(const char *path);
  // Not committed: the temporary file is removed.
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  // The stream to write, opened through ox_oopen on the first call.
  FILE *stream();
  // Closes the stream (a failed write or close ends the process, naming the
  // file), then puts the temporary file in the final place.
  void Commit();

  // True when the bytes go to a temporary regular file that Commit puts in
  // place; false for standard output and what is written directly.
  bool replaces() const { return target_.replaces(); }

  // For writers other than stream() (several processes writing at offsets):
  // the file the bytes go to until Commit, the temporary file or the target
  // itself; and the Commit of a file written that way, whose stream() was
  // never opened. Not for standard output.
  const std::string &written_path() const;
  void CommitWritten();

  // The name as the user gave it.
  const std::string &name() const { return name_; }

 private:
  const std::string name_;
  OutputTarget target_;  // the file written: a temporary, or the file itself
  FILE *fp_ = nullptr;
  bool committed_ = false;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_IO_OUTPUT_FILE_H
