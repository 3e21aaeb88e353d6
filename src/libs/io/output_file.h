// An output file that appears under its name only when it is complete: it is
// written under a temporary name beside the final one and renamed over it by
// Commit. Until then the destructor, and a fatal exit, remove the temporary.
#ifndef LEXKIT_LIBS_IO_OUTPUT_FILE_H
#define LEXKIT_LIBS_IO_OUTPUT_FILE_H

#include <stdio.h>

#include <string>

namespace lexkit {

class OutputFile {
 public:
  // quit(-1, ...) naming `path` when it cannot be created.
  explicit OutputFile(const char *path);
  // Not committed: the temporary is removed.
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  // Opened through ox_oopen, so ".gz" and ".Z" names are compressed.
  FILE *stream() { return fp_; }
  // Closes the stream (checked), then renames the temporary over the path.
  void Commit();

 private:
  std::string path_;
  std::string temporary_;
  FILE *fp_ = nullptr;
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_IO_OUTPUT_FILE_H
