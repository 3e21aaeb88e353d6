// Helpers shared by the tests: running code or programs in a child process,
// scratch directories, whole-file reads and writes, and the numbers of
// binary files as bytes.
#ifndef LEXKIT_TESTS_TEST_SUPPORT_H
#define LEXKIT_TESTS_TEST_SUPPORT_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "libs/base/coding.h"

namespace lexkit_test {

struct ChildResult {
  int status = 0;   // exit status, or 128 + signal number if killed
  std::string out;  // everything written on stdout
  std::string err;  // everything written on stderr
};

// Runs `body` in a forked child with `input` on its stdin and SIGPIPE at
// its default, as a shell starts a program; the child exits 0 when `body`
// returns.
ChildResult RunChild(const std::function<void()> &body,
                     const std::string &input = "");

// Runs a program of the build (`countlex`, ...) with arguments and stdin.
ChildResult RunProgram(const std::string &program,
                       const std::vector<std::string> &args,
                       const std::string &input = "");

// Runs a shell command line with `input` on stdin.
ChildResult RunShell(const std::string &command, const std::string &input = "");

// A fresh scratch directory, removed with its contents on destruction.
class ScratchDir {
 public:
  // Made in `parent` (a tmpfs such as /dev/shm suits tests that create
  // many files).
  explicit ScratchDir(const std::string &parent = "/tmp");
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  const std::string &path() const { return path_; }
  std::string File(const std::string &name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &content);
bool FileExists(const std::string &path);

// The bytes of a number as binary files store it (most significant first).
inline std::string Fixed32(uint32_t value) {
  std::string bytes;
  lexkit::PutFixed32(&bytes, value);
  return bytes;
}
inline std::string Fixed64(uint64_t value) {
  std::string bytes;
  lexkit::PutFixed64(&bytes, value);
  return bytes;
}

// Path of a program built alongside the tests.
std::string ProgramPath(const std::string &program);

}  // namespace lexkit_test

#endif  // LEXKIT_TESTS_TEST_SUPPORT_H
