// Clean-up of temporary paths: removed on exit and on each termination
// signal, with the signal's own status; kept when kept; a SIGPIPE that is
// not standard output's left to the write; an ignored signal stays ignored.
#include <gtest/gtest.h>
#include <errno.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "lexkit/general.h"
#include "libs/io/cleanup.h"
#include "libs/io/private_dir.h"
#include "test_support.h"

using lexkit::PrivateDirectory;
using lexkit::TemporaryPath;
using lexkit_test::FileExists;
using lexkit_test::RunChild;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

// Writes to a pipe whose reader has gone.
void WriteToClosedPipe(int as_fd) {
  int p[2];
  if (pipe(p) != 0) _exit(3);
  close(p[0]);
  if (as_fd >= 0) dup2(p[1], as_fd);
  const int fd = as_fd >= 0 ? as_fd : p[1];
  if (write(fd, "x", 1) < 0 && errno == EPIPE) {
    const char said[] = "EPIPE";
    if (write(2, said, sizeof said - 1) < 0) _exit(4);
  }
}

TEST(Cleanup, RemovesOnExitAndOnEachSignal) {
  ScratchDir dir;
  struct Case {
    std::string how;
    std::function<void()> end;
    int status;
  } cases[] = {
      {"quit", [] { quit(-1, "stop\n"); }, 255},
      {"SIGINT", [] { raise(SIGINT); }, 128 + SIGINT},
      {"SIGTERM", [] { raise(SIGTERM); }, 128 + SIGTERM},
      {"SIGHUP", [] { raise(SIGHUP); }, 128 + SIGHUP},
      {"SIGPIPE on stdout", [] { WriteToClosedPipe(1); }, 128 + SIGPIPE},
  };
  for (const Case &c : cases) {
    auto r = RunChild([&] {
      PrivateDirectory temp(dir.path(), "t");
      WriteFile(temp.path() + "/1", "data");
      WriteFile(temp.path() + "/2", "data");
      TemporaryPath file(dir.File("partial"), TemporaryPath::Kind::kFile);
      WriteFile(file.path(), "data");
      c.end();
    });
    EXPECT_EQ(r.status, c.status) << c.how;
    EXPECT_EQ(RunShell("ls -A " + dir.path()).out, "") << c.how;
    if (c.how == "quit") {
      EXPECT_NE(r.err.find("lexkit_tests : removed the temporary files in " + dir.path() + "/t_"),
                std::string::npos)
          << r.err;
    }
  }
}

TEST(Cleanup, KeptPathsStayAndOtherSignalsAreLeftAlone) {
  ScratchDir dir;
  auto r = RunChild([&] {
    TemporaryPath kept(dir.File("kept"), TemporaryPath::Kind::kFile);
    WriteFile(kept.path(), "data");
    kept.Keep();
    // A compressor's pipe: the write fails and the process goes on.
    TemporaryPath file(dir.File("partial"), TemporaryPath::Kind::kFile);
    WriteFile(file.path(), "data");
    WriteToClosedPipe(-1);
    // nohup's SIGHUP stays ignored.
    signal(SIGHUP, SIG_IGN);
    if (fork() == 0) {
      TemporaryPath own(dir.File("child"), TemporaryPath::Kind::kFile);
      raise(SIGHUP);
      _exit(0);
    }
    int status = 0;
    wait(&status);
    if (!WIFEXITED(status) || FileExists(dir.File("partial")) == false) _exit(5);
    quit(-1, "stop\n");
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "EPIPEstop\n");
  EXPECT_EQ(RunShell("ls -A " + dir.path()).out, "kept\n");
}

}  // namespace
