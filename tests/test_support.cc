#include "test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace lexkit_test {
namespace {

// Drains a descriptor into a string on a thread, so that a child writing a
// lot on both streams never blocks.
class Drain {
 public:
  explicit Drain(int fd) : thread_([this, fd] {
      char buf[65536];
      ssize_t n;
      while ((n = read(fd, buf, sizeof buf)) > 0) data_.append(buf, n);
      close(fd);
    }) {}
  std::string Take() {
    thread_.join();
    return data_;
  }

 private:
  std::string data_;
  std::thread thread_;
};

ChildResult Spawn(const std::function<void()> &child_main,
                  const std::string &input) {
  int in[2], out[2], err[2];
  if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe");
  fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    // As a shell starts a program, whatever this process does with SIGPIPE.
    signal(SIGPIPE, SIG_DFL);
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    child_main();
    fflush(nullptr);
    _exit(0);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  Drain out_drain(out[0]), err_drain(err[0]);
  signal(SIGPIPE, SIG_IGN);
  size_t done = 0;
  while (done < input.size()) {
    ssize_t n = write(in[1], input.data() + done, input.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(in[1]);
  ChildResult result;
  result.out = out_drain.Take();
  result.err = err_drain.Take();
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus)
                                     : 128 + WTERMSIG(wstatus);
  return result;
}

}  // namespace

ChildResult RunChild(const std::function<void()> &body,
                     const std::string &input) {
  return Spawn(body, input);
}

std::string ProgramPath(const std::string &program) {
  return std::string(LEXKIT_BIN_DIR) + "/" + program;
}

ChildResult RunProgram(const std::string &program,
                       const std::vector<std::string> &args,
                       const std::string &input) {
  std::string path = ProgramPath(program);
  return Spawn(
      [&] {
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(path.c_str()));
        for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
      },
      input);
}

ChildResult RunShell(const std::string &command, const std::string &input) {
  return Spawn(
      [&] {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char *>(nullptr));
        _exit(127);
      },
      input);
}

ScratchDir::ScratchDir(const std::string &parent) {
  std::string templ = parent + "/lexkit_test_XXXXXX";
  if (!mkdtemp(&templ[0])) throw std::runtime_error("mkdtemp");
  path_ = templ;
}

ScratchDir::~ScratchDir() {
  std::string cmd = "rm -rf '" + path_ + "'";
  if (system(cmd.c_str()) != 0) {
  }
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

bool FileExists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

}  // namespace lexkit_test
