// Faults from outside: merges and gramlex killed part-way, inputs that are
// directories, cut short or compressed and cut short.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "lexkit/ac_hash.h"
#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/ac_parsetext.h"
#include "test_support.h"

namespace {

using lexkit_test::ChildResult;
using lexkit_test::FileExists;
using lexkit_test::Fixed32;
using lexkit_test::ProgramPath;
using lexkit_test::ReadFile;
using lexkit_test::RunChild;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

// Runs `body` in a child and kills it with SIGKILL after `delay_ms`, unless it
// has finished by then. Returns true when the child finished on its own.
bool RunAndKill(const std::function<void()> &body, int delay_ms) {
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    body();
    _exit(0);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(delay_ms);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The longest delays matter only for slow (sanitizer) builds: the loop ends
// at the first run that finishes.
const int kDelaysMs[] = {0, 1, 3, 6, 10, 20, 35, 60, 100, 200, 400, 800, 1600, 3200, 6400, 12800};

// Input `k` of `inputs`: sorted bigrams (i, k) for every i, count 1.
std::string IdInput(int k, uint32_t records) {
  std::string bytes;
  for (uint32_t i = 0; i < records; ++i)
    bytes += Fixed32(i) + Fixed32(static_cast<uint32_t>(k)) + Fixed32(1);
  return bytes;
}

std::string TextInput(int k, int records) {
  std::string text;
  char line[64];
  for (int i = 0; i < records; ++i) {
    snprintf(line, sizeof line, "w%07d v%d 1\n", i, k);
    text += line;
  }
  return text;
}

std::string Name(const ScratchDir &dir, int number, const std::string &ext) {
  return dir.File(std::to_string(number) + ext);
}

// Writes the inputs 1..count, runs `merge(out)` once to completion for the
// expected output (and, when `intermediate` names one, keeps a copy of the
// staged file), then kills it at each delay and checks that no input is gone
// unless its content is complete in the output or in an intermediate file.
void KillMergeAtManyPoints(const std::string &ext, int count,
                           const std::function<std::string(int)> &input,
                           const std::function<void(const ScratchDir &, FILE *)> &merge,
                           int staged_group) {
  ScratchDir dir;
  auto write_inputs = [&] {
    for (int k = 1; k <= count; ++k) WriteFile(Name(dir, k, ext), input(k));
  };
  write_inputs();
  const std::string out = dir.File("out");
  ASSERT_TRUE(RunAndKill(
      [&] {
        FILE *fp = fopen(out.c_str(), "wb");
        merge(dir, fp);
        fclose(fp);
      },
      60000));
  const std::string expected = ReadFile(out);
  ASSERT_FALSE(expected.empty());
  for (int k = 1; k <= count; ++k) ASSERT_FALSE(FileExists(Name(dir, k, ext)));

  // The staged file: the first group merged alone, in the binary form.
  std::string expected_stage;
  if (staged_group > 0) {
    write_inputs();
    ASSERT_TRUE(RunAndKill(
        [&] {
          FILE *fp = fopen(out.c_str(), "wb");
          merge_idngramfiles(1, staged_group, dir.path().c_str(), ext.c_str(), 100, fp, 0,
                             0, 2);
          fclose(fp);
        },
        60000));
    expected_stage = ReadFile(out);
    for (int k = staged_group + 1; k <= count; ++k) remove(Name(dir, k, ext).c_str());
  }

  bool finished = false;
  for (int delay : kDelaysMs) {
    if (finished) break;
    SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
    remove(out.c_str());
    remove(Name(dir, count + 1, ext).c_str());
    write_inputs();
    finished = RunAndKill(
        [&] {
          FILE *fp = fopen(out.c_str(), "wb");
          merge(dir, fp);
          fclose(fp);
        },
        delay);
    const bool output_complete = FileExists(out) && ReadFile(out) == expected;
    const bool stage_complete = staged_group > 0 && FileExists(Name(dir, count + 1, ext)) &&
                                ReadFile(Name(dir, count + 1, ext)) == expected_stage;
    for (int k = 1; k <= count; ++k) {
      if (FileExists(Name(dir, k, ext))) continue;
      const bool in_stage = k <= staged_group && stage_complete;
      EXPECT_TRUE(output_complete || in_stage) << "input " << k << " deleted";
    }
    if (finished) {
      EXPECT_TRUE(output_complete);
    }
  }
  EXPECT_TRUE(finished) << "the merge never finished in the time given";
}

TEST(FaultInjection, KilledIdNgramMergeKeepsUnmergedInputs) {
  for (int max_files : {10, 2}) {
    SCOPED_TRACE("max_files " + std::to_string(max_files));
    KillMergeAtManyPoints(
        "", 3, [](int k) { return IdInput(k, 150000); },
        [&](const ScratchDir &dir, FILE *fp) {
          merge_idngramfiles(1, 3, dir.path().c_str(), "", max_files, fp, 1, 0, 2);
        },
        max_files == 2 ? 2 : 0);
  }
}

TEST(FaultInjection, KilledTextMergeKeepsUnmergedInputs) {
  KillMergeAtManyPoints(
      ".txt", 3, [](int k) { return TextInput(k, 100000); },
      [](const ScratchDir &dir, FILE *fp) {
        merge_tempfiles(1, 3, dir.path().c_str(), ".txt", 10, fp, 2, 0);
      },
      0);
}

// gramlex killed at any point leaves the file under the output's name as it
// was before the run or complete, never part-written: small buffers and
// -files 2 make it spend its time in many temp files and staged merges.
// Writes `vocab` and `text` (about 3 MB) for gramlex into `dir`.
void WriteGramlexInputs(const ScratchDir &dir) {
  std::string vocab;
  for (int i = 0; i < 400; ++i) vocab += "w" + std::to_string(i) + "\n";
  WriteFile(dir.File("vocab"), vocab);
  std::mt19937 rng(7);
  std::string text;
  while (text.size() < 3000000) text += "w" + std::to_string(rng() % 500) + (rng() % 12 ? " " : "\n");
  WriteFile(dir.File("text"), text);
}

TEST(FaultInjection, KilledGramlexNeverLeavesAPartialOutput) {
  ScratchDir dir;
  WriteGramlexInputs(dir);
  const std::string temp = dir.File("temp"), out = dir.File("out.idngram");
  const std::string old = "an earlier output\n";
  auto gramlex = [&] {
    int in = open(dir.File("text").c_str(), O_RDONLY);
    dup2(in, 0);
    execl(ProgramPath("gramlex").c_str(), "gramlex", "-vocab", dir.File("vocab").c_str(),
          "-buffer", "1", "-files", "2", "-temp", temp.c_str(), "-idngram", out.c_str(),
          "-verbosity", "0", static_cast<char *>(nullptr));
    _exit(127);
  };
  auto fresh_run = [&] {
    RunShell("rm -rf '" + temp + "'; mkdir '" + temp + "'");
    WriteFile(out, old);
  };
  fresh_run();
  ASSERT_TRUE(RunAndKill(gramlex, 120000));
  const std::string expected = ReadFile(out);
  ASSERT_GT(expected.size(), 100000u);

  bool finished = false;
  for (int delay : kDelaysMs) {
    if (finished) break;
    SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
    fresh_run();
    finished = RunAndKill(gramlex, delay);
    const std::string now = ReadFile(out);
    EXPECT_TRUE(now == old || now == expected) << "output part-written: " << now.size() << " bytes";
    if (finished) {
      EXPECT_EQ(now, expected);
    }
  }
  EXPECT_TRUE(finished) << "gramlex never finished in the time given";
}

// Starts gramlex with `args` on the descriptors given, stderr discarded.
pid_t StartGramlex(const std::vector<std::string> &args, int in, int out) {
  const std::string path = ProgramPath("gramlex");
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGPIPE, SIG_DFL);
    dup2(in, 0);
    dup2(out, 1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    // No other end of the test's pipes stays open in the child.
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    std::vector<char *> argv = {const_cast<char *>(path.c_str())};
    for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

// gramlex stopped by each termination signal while its temporary files
// exist ends with the signal's status, leaving the -temp directory empty
// and the output as it was. SIGPIPE comes from a reader of standard output
// that goes away, as with `gramlex | head -c 1`.
TEST(FaultInjection, SignalsMidRunRemoveTemporaryFiles) {
  ScratchDir dir;
  WriteGramlexInputs(dir);
  const std::string temp = dir.File("temp"), out = dir.File("out");
  const std::string text = ReadFile(dir.File("text"));
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(strsignal(sig));
    RunShell("mkdir -p '" + temp + "'");
    WriteFile(out, "old\n");
    std::vector<std::string> args = {"-vocab", dir.File("vocab"), "-buffer", "1", "-temp", temp};
    int status = 0;
    if (sig == SIGPIPE) {
      int text_fd = open(dir.File("text").c_str(), O_RDONLY), p[2];
      ASSERT_EQ(pipe(p), 0);
      pid_t pid = StartGramlex(args, text_fd, p[1]);
      close(p[1]);
      close(text_fd);
      char byte;
      ASSERT_EQ(read(p[0], &byte, 1), 1);
      close(p[0]);
      waitpid(pid, &status, 0);
    } else {
      // The text arrives through a pipe left open, so that the run is still
      // reading when its first temporary file is complete.
      args.insert(args.end(), {"-idngram", out});
      int p[2];
      ASSERT_EQ(pipe(p), 0);
      pid_t pid = StartGramlex(args, p[0], 1);
      close(p[0]);
      ASSERT_EQ(write(p[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (RunShell("ls '" + temp + "'/*/1").status != 0 &&
             std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      kill(pid, sig);
      waitpid(pid, &status, 0);
      close(p[1]);
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(RunShell("ls -A '" + temp + "'").out, "");
    EXPECT_EQ(ReadFile(out), "old\n");
    EXPECT_EQ(RunShell("ls -A '" + dir.path() + "'").out, "out\ntemp\ntext\nvocab\n");
  }
}

// Inputs that cannot be read end the process with a message naming them; the
// inputs of a failed merge stay on disk.
TEST(FaultInjection, UnreadableInputsEndWithAMessage) {
  ScratchDir dir;
  const std::string gz_id = IdInput(1, 20000);
  WriteFile(dir.File("whole"), gz_id);
  ASSERT_EQ(RunShell("gzip -c '" + dir.File("whole") + "' | head -c 4000 > '" +
                     dir.File("cut.gz") + "'").status, 0);
  ASSERT_EQ(RunShell("printf 'a\\nb\\n' | gzip -c | head -c 12 > '" + dir.File("v.gz") + "'")
                .status, 0);
  struct Case {
    const char *what;
    std::function<void()> setup;
    std::function<void()> body;
    std::string err;
  } cases[] = {
      {"id n-gram merge: a directory as input",
       [&] { RunShell("rm -rf '" + dir.File("1") + "'; mkdir '" + dir.File("1") + "'"); },
       [&] { merge_idngramfiles(1, 1, dir.path().c_str(), "", 10, stdout, 0, 0, 2); },
       "ox_fread: problems reading temporary n-gram ids.  Only 0 of 1 elements were read\n"},
      {"text merge: a directory as input",
       [&] { RunShell("rm -rf '" + dir.File("1") + "'; mkdir '" + dir.File("1") + "'"); },
       [&] { merge_tempfiles(1, 1, dir.path().c_str(), "", 10, stdout, 2, 0); },
       "Error reading temp file DIR/1\n"},
      {"id n-gram merge: a truncated compressed input",
       [&] { RunShell("rm -rf '" + dir.File("1") + "'; cp '" + dir.File("cut.gz") + "' '" +
                      dir.File("1.gz") + "'"); },
       [&] { merge_idngramfiles(1, 1, dir.path().c_str(), ".gz", 10, stdout, 0, 0, 2); },
       "\ngzip: stdin: unexpected end of file\n"
       "ox_fread: problems reading temporary n-gram ids.  Only 0 of 1 elements were read\n"},
      {"read_vocab: a directory",
       [] {},
       [&] {
         struct idngram_hash_table t;
         new_idngram_hashtable(&t, 11);
         read_vocab(dir.path().c_str(), 0, &t, 11);
       },
       "read_vocab: error reading the vocabulary 'DIR'\n"},
      {"read_vocab: a truncated compressed file",
       [] {},
       [&] {
         struct idngram_hash_table t;
         new_idngram_hashtable(&t, 11);
         read_vocab(dir.File("v.gz").c_str(), 0, &t, 11);
       },
       "\ngzip: stdin: unexpected end of file\n"
       "ox_iclose: decompressing 'DIR/v.gz' failed: the file is truncated or corrupt\n"},
      {"read_wlist_into_array: a directory",
       [] {},
       [&] {
         char **words;
         vocab_sz_t n;
         read_wlist_into_array(dir.path().c_str(), 0, &words, &n);
       },
       "read_wlist_into_array: could not read DIR\n"},
      {"read_wlist_into_array: a truncated compressed file",
       [] {},
       [&] {
         char **words;
         vocab_sz_t n;
         read_wlist_into_array(dir.File("v.gz").c_str(), 0, &words, &n);
       },
       "\ngzip: stdin: unexpected end of file\n"
       "read_wlist_into_array: no newline at end of DIR/v.gz\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    c.setup();
    ChildResult r = RunChild(c.body);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    std::string err = c.err;
    for (size_t at; (at = err.find("DIR")) != std::string::npos;) err.replace(at, 3, dir.path());
    EXPECT_EQ(r.err, err);
  }
  EXPECT_TRUE(FileExists(dir.File("1.gz")));
}

}  // namespace
