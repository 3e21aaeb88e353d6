// A directory of the process's own for its temporary files, made with
// mkdtemp inside a directory the user names: concurrent runs never share
// file names and no file of the user's is touched. It is removed with the
// files in it when destroyed and when the process ends early (cleanup.h).
#ifndef LEXKIT_LIBS_IO_PRIVATE_DIR_H
#define LEXKIT_LIBS_IO_PRIVATE_DIR_H

#include <memory>
#include <string>

#include "libs/io/cleanup.h"

namespace lexkit {

class PrivateDirectory {
 public:
  // Makes `parent`/`prefix`_XXXXXX (mode 0700); quit(-1, ...) naming
  // `parent` when that fails.
  PrivateDirectory(const std::string &parent, const std::string &prefix);

  const std::string &path() const { return directory_->path(); }

 private:
  std::unique_ptr<TemporaryPath> directory_;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_IO_PRIVATE_DIR_H
