// Output files: what each kind of name becomes, what a run that does not
// commit leaves, and the names that are refused before any work.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "lexkit/general.h"
#include "libs/io/output_file.h"
#include "test_support.h"

using lexkit::OutputFile;
using lexkit_test::ReadFile;
using lexkit_test::RunChild;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

struct stat Lstat(const std::string &path) {
  struct stat st = {};
  lstat(path.c_str(), &st);
  return st;
}

void WriteNew(const std::string &path) {
  OutputFile out(path.c_str());
  fputs("new\n", out.stream());
  out.Commit();
}

TEST(OutputFile, ReplacesFilesAndWritesEverythingElseDirectly) {
  ScratchDir dir;
  const bool root = geteuid() == 0;  // only root may make device nodes
  WriteFile(dir.File("plain"), "old\n");
  chmod(dir.File("plain").c_str(), 0600);
  WriteFile(dir.File("target"), "old\n");
  chmod(dir.File("target").c_str(), 0640);
  symlink("target", dir.File("link").c_str());
  symlink("made", dir.File("dangling").c_str());
  WriteFile(dir.File("a"), "old\n");
  link(dir.File("a").c_str(), dir.File("b").c_str());
  mkfifo(dir.File("fifo").c_str(), 0600);
  if (root) mknod(dir.File("null").c_str(), S_IFCHR | 0666, makedev(1, 3));

  for (const char *name : {"absent", "plain", "link", "dangling", "a", "out.gz"})
    WriteNew(dir.File(name));
  if (root) WriteNew(dir.File("null"));
  std::string from_fifo;
  std::thread reader([&] { from_fifo = ReadFile(dir.File("fifo")); });
  WriteNew(dir.File("fifo"));
  reader.join();

  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(ReadFile(dir.File("absent")), "new\n");
  EXPECT_EQ(Lstat(dir.File("absent")).st_mode & 07777, 0666 & ~mask);
  EXPECT_EQ(ReadFile(dir.File("plain")), "new\n");
  EXPECT_EQ(Lstat(dir.File("plain")).st_mode & 07777, 0600u);
  // Links stay links; what they lead to is written.
  EXPECT_TRUE(S_ISLNK(Lstat(dir.File("link")).st_mode));
  EXPECT_EQ(ReadFile(dir.File("target")), "new\n");
  EXPECT_EQ(Lstat(dir.File("target")).st_mode & 07777, 0640u);
  EXPECT_TRUE(S_ISLNK(Lstat(dir.File("dangling")).st_mode));
  EXPECT_EQ(ReadFile(dir.File("made")), "new\n");
  // Both names of a hard-linked file see the new contents.
  EXPECT_EQ(ReadFile(dir.File("b")), "new\n");
  EXPECT_EQ(Lstat(dir.File("a")).st_ino, Lstat(dir.File("b")).st_ino);
  EXPECT_EQ(RunShell("gunzip -c " + dir.File("out.gz")).out, "new\n");
  // A FIFO's reader gets the data, and the FIFO stays.
  EXPECT_EQ(from_fifo, "new\n");
  EXPECT_TRUE(S_ISFIFO(Lstat(dir.File("fifo")).st_mode));
  if (root) {
    EXPECT_TRUE(S_ISCHR(Lstat(dir.File("null")).st_mode));
  }
  // No temporary file is left.
  EXPECT_EQ(RunShell("ls -A " + dir.path()).out,
            std::string("a\nabsent\nb\ndangling\nfifo\nlink\nmade\n") + (root ? "null\n" : "") +
                "out.gz\nplain\ntarget\n");
}

// A run that does not commit leaves the file as it was and no temporary,
// whether it returns, ends with a fatal error, or is killed by a signal.
TEST(OutputFile, UncommittedLeavesTheOldFile) {
  ScratchDir dir;
  const std::string path = dir.File("out");
  WriteFile(path, "old\n");
  {
    OutputFile out(path.c_str());
    fputs("new\n", out.stream());
  }
  EXPECT_EQ(ReadFile(path), "old\n");
  auto quits = RunChild([&] {
    OutputFile out(path.c_str());
    fputs("new\n", out.stream());
    quit(-1, "stopped\n");
  });
  EXPECT_EQ(quits.status, 255);
  auto killed = RunChild([&] {
    OutputFile out(path.c_str());
    fputs("new\n", out.stream());
    raise(SIGTERM);
  });
  EXPECT_EQ(killed.status, 128 + SIGTERM);
  EXPECT_EQ(ReadFile(path), "old\n");
  EXPECT_EQ(RunShell("ls -A " + dir.path()).out, "out\n");
}

// Each refusal names the file as given. Root may write a read-only file, as
// with the shell's ">", so that case runs as an ordinary user.
TEST(OutputFile, RefusesWhatCannotBeWritten) {
  ScratchDir dir;
  chmod(dir.path().c_str(), 0777);
  WriteFile(dir.File("readonly"), "old\n");
  chmod(dir.File("readonly").c_str(), 0444);
  const std::string prefix = "lexkit_tests : Error : cannot write '";
  struct Case {
    std::string path;
    std::string message;
  } cases[] = {
      {dir.File("nodir/out"), prefix + dir.File("nodir/out") + "': No such file or directory\n"},
      {dir.path(), prefix + dir.path() + "': Is a directory\n"},
      {dir.File("readonly"), prefix + dir.File("readonly") + "': Permission denied\n"},
  };
  for (const Case &c : cases) {
    auto r = RunChild([&] {
      if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
      OutputFile out(c.path.c_str());
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, c.message);
  }
  EXPECT_EQ(ReadFile(dir.File("readonly")), "old\n");
  EXPECT_EQ(RunShell("ls -A " + dir.path()).out, "readonly\n");

  // A full device fails at the commit, and stays a device.
  if (geteuid() != 0) return;
  mknod(dir.File("full").c_str(), S_IFCHR | 0666, makedev(1, 7));
  auto r = RunChild([&] { WriteNew(dir.File("full")); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, prefix + dir.File("full") + "': No space left on device\n");
  EXPECT_TRUE(S_ISCHR(Lstat(dir.File("full")).st_mode));
}

}  // namespace
