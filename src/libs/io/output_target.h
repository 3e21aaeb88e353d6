// Where an output named by the user is written, and how it is put in place
// when complete: the one rule behind OutputFile (output_file.h), which the
// programs use and which ends the process on a failure, and behind the
// scoring API's saved models, which must return every failure instead.
// Nothing here ends the process.
//
// What is written depends on what the name is, after following symbolic
// links to the file they lead to (the links stay):
// - absent, or a regular file: a temporary file beside it (hidden, in the
//   same directory, ending like the name, so ".gz" and ".Z" still
//   compress), put in place by Commit. An existing file's permission bits
//   and, where the process may set them, its owner and group are kept; a
//   new file gets 0666 less the umask. A file with other hard links is
//   filled from the temporary at Commit instead, so that every link sees
//   the new contents.
// - anything else (a device, a FIFO, a socket): written directly, never
//   replaced or removed.
// Until Commit, the temporary file is removed when the target is
// destroyed; with Cleanup::kAlsoAtExit, also when the process ends early
// (cleanup.h; this installs the clean-up signal handlers, which a program
// wants and a library caller's process may not).
#ifndef LEXKIT_LIBS_IO_OUTPUT_TARGET_H
#define LEXKIT_LIBS_IO_OUTPUT_TARGET_H

#include <memory>
#include <string>

#include "libs/io/cleanup.h"

namespace lexkit {

class OutputTarget {
 public:
  enum class Cleanup { kOnDestruction, kAlsoAtExit };

  OutputTarget() = default;
  ~OutputTarget() { Abandon(); }
  OutputTarget(const OutputTarget &) = delete;
  OutputTarget &operator=(const OutputTarget &) = delete;

  // Checks that `name` can be written and makes the temporary file. False
  // with the system's reason ("Is a directory", ...) when it cannot.
  bool Open(const std::string &name, Cleanup cleanup, std::string *reason);

  // True when the bytes go to a temporary file that Commit puts in place.
  bool replaces() const { return !temporary_.empty(); }

  // The file to write: the temporary, or the target itself.
  const std::string &write_path() const {
    return temporary_.empty() ? target_ : temporary_;
  }

  // Puts the complete temporary file in place (after the caller has closed
  // it); false with the system's reason, the temporary then removed.
  bool Commit(std::string *reason);

  // Removes the temporary file, if any; the target stays as it was.
  void Abandon();

 private:
  bool FillInPlace(std::string *reason);

  std::string target_;     // the name with its links followed
  std::string temporary_;  // empty when the target is written directly
  std::unique_ptr<TemporaryPath> registered_;  // with kAlsoAtExit
  bool fill_in_place_ = false;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_IO_OUTPUT_TARGET_H
