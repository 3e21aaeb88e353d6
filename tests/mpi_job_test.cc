// countlex and gramlex run as MPI jobs of 1 to 4 ranks: the bytes of the
// serial programs on the same text and options, on texts that break naive
// partitions, and failures that end the whole job and leave no output.
// Built in the MPI build only.
#ifdef LEXKIT_MPIEXEC

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::ProgramPath;
using lexkit_test::ReadFile;
using lexkit_test::RunProgram;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

std::string Quoted(const std::string &s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// `program` with `args` as a job of `ranks` ranks.
ChildResult RunJob(int ranks, const std::string &program, const std::vector<std::string> &args) {
  std::string command = std::string(LEXKIT_MPIEXEC) + " --oversubscribe";
  if (getuid() == 0) command += " --allow-run-as-root";
  command += " -np " + std::to_string(ranks) + " " + Quoted(ProgramPath(program));
  for (const std::string &a : args) command += " " + Quoted(a);
  return RunShell(command + " < /dev/null");
}

// True when every byte position `at` lies inside a word (a non-space byte
// on either side).
bool InsideWord(const std::string &text, size_t at) {
  auto word_byte = [&](size_t i) { return !isspace(static_cast<unsigned char>(text[i])); };
  return at > 0 && at < text.size() && word_byte(at - 1) && word_byte(at);
}

// Words of 1 to 12 letters, single blanks, with a word across each nominal
// boundary of 2, 3 and 4 ranks.
std::string WordsAcrossEveryBoundary() {
  for (unsigned seed = 1;; ++seed) {
    std::mt19937 rng(seed);
    std::string text;
    while (text.size() < 600) {
      text += std::string(1 + rng() % 12, static_cast<char>('a' + rng() % 3));
      text += ' ';
    }
    bool all = true;
    for (size_t ranks = 2; ranks <= 4; ++ranks)
      for (size_t r = 1; r < ranks; ++r) all = all && InsideWord(text, text.size() * r / ranks);
    if (all) return text;
  }
}

// A text over a small vocabulary with unknown words, high bytes, NULs,
// CR-LF line ends and every white-space byte.
std::string MixedText(size_t words) {
  std::mt19937 rng(7);
  const char *pieces[] = {"a", "b", "c", "d", "\xe9t\xe9", "x\0y", "the", "end."};
  const char *spaces[] = {" ", "\r\n", "\t", " \v ", "\f", "\n\n"};
  std::string text;
  for (size_t i = 0; i < words; ++i) {
    const size_t p = rng() % 8;
    text.append(pieces[p], p == 5 ? 3 : strlen(pieces[p]));
    text += spaces[rng() % 6];
  }
  return text;
}

// `distinct` words of 1 to 24 letters, each twice, far apart: the ranks'
// counts of one word add up, and their lists of words for other ranks take
// several rounds of the exchange.
std::string ManyDistinctWords(size_t distinct) {
  std::mt19937 rng(11);
  std::vector<std::string> words(distinct);
  for (std::string &w : words)
    for (size_t len = 1 + rng() % 24; w.size() < len;) w += static_cast<char>('a' + rng() % 26);
  std::string text;
  for (int copy = 0; copy < 2; ++copy) {
    std::shuffle(words.begin(), words.end(), rng);
    for (const std::string &w : words) text += w + (rng() % 8 == 0 ? "\n" : " ");
  }
  return text;
}

// 20000 distinct long words, then 80000 distinct short ones of about the
// same size: the rank of the first part sends its pairs in several rounds
// and meanwhile receives more new words than its table holds, which grows.
std::string LongWordsThenShortOnes() {
  std::mt19937 rng(13);
  std::string text;
  auto add = [&](size_t count, size_t len) {
    for (size_t i = 0; i < count; ++i) {
      for (size_t j = 0; j < len; ++j) text += static_cast<char>('a' + rng() % 26);
      text += ' ';
    }
  };
  add(20000, 24);
  add(80000, 6);
  return text;
}

struct Text {
  const char *name;
  std::string bytes;
  const char *hash = "7";  // countlex's table: 7 chains give every rank words
  size_t rotation = 0;     // the gramlex options of one rank (below)
};

void PrintTo(const Text &t, std::ostream *os) { *os << t.name; }

std::vector<Text> Texts() {
  std::string crlf;
  for (int i = 0; i < 40; ++i) crlf += "the cat\r\nsat on\r\nthe mat\r\n";
  std::vector<Text> texts = {
      {"words across every boundary", WordsAcrossEveryBoundary()},
      {"fewer words than ranks", "a b"},
      {"empty", ""},
      {"one enormous word", "a " + std::string(20000, 'w') + " b c"},
      {"white space at the boundaries", "a" + std::string(3000, ' ') + "b" +
                                            std::string(3000, '\n') + "c d\r\n"},
      {"a 500-byte split at the boundary", std::string(1000, 'q')},
      {"a 499-byte split at the boundary", std::string(998, 'q')},
      {"CR-LF text", crlf},
      {"mixed", MixedText(3000)},
      {"mixed, many chains", MixedText(3000), "1000000"},
      {"many distinct words", ManyDistinctWords(60000), "1000000"},
      {"a table that grows in the exchange", LongWordsThenShortOnes(), "1000000"},
      // More bigrams than a 1 MB buffer holds: several sorted runs a rank.
      {"many sorted runs", MixedText(140000)},
  };
  // Each text starts at another set of gramlex options, so that every set
  // meets every number of ranks.
  for (size_t i = 0; i < texts.size(); ++i) texts[i].rotation = i;
  return texts;
}

size_t Occurrences(const std::string &text, const std::string &what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The statistics gramlex prints on stderr, if any.
std::string Statistics(const std::string &err) {
  const size_t from = err.find("\nFrequency of frequency statistics:");
  if (from == std::string::npos) return "";
  return err.substr(from, err.find("gramlex : Done.") - from);
}

// An output file's bytes, uncompressed.
std::string Contents(const std::string &path) {
  if (path.size() < 3 || path.compare(path.size() - 3, 3, ".gz") != 0) return ReadFile(path);
  return RunShell("gzip -dc " + Quoted(path)).out;
}

// One test per text, so that ctest runs them side by side.
class MpiJobText : public ::testing::TestWithParam<Text> {};

TEST_P(MpiJobText, CountlexGivesTheSerialBytes) {
  const Text &t = GetParam();
  ScratchDir dir;
  const std::string path = dir.File("text");
  WriteFile(path, t.bytes);
  const char *hash = t.hash;
  const ChildResult serial = RunProgram("countlex", {"-hash", hash}, t.bytes);
  ASSERT_EQ(serial.status, 0) << serial.err;
  for (int ranks = 1; ranks <= 4; ++ranks) {
    const ChildResult job =
        RunJob(ranks, "countlex", {"-hash", hash, "-text", path, "-verbosity", "0"});
    ASSERT_EQ(job.status, 0) << ranks << " ranks: " << job.err;
    EXPECT_EQ(job.out, serial.out) << ranks << " ranks";
    EXPECT_EQ(job.err, "countlex : Done.\n");
  }
}

TEST_P(MpiJobText, GramlexGivesTheSerialBytesAndStatistics) {
  const Text &t = GetParam();
  ScratchDir dir;
  const std::string text = dir.File("text");
  WriteFile(text, t.bytes);
  // With a line taken for a word and a repeated word: warned of once.
  WriteFile(dir.File("vocab"), "## words\na\nb\nthe\nend.\ncat\nsat\nmat\n\xe9t\xe9\n#c\nb\n");
  struct Options {
    std::vector<std::string> args;
    std::string output;  // empty for standard output
  } sets[] = {
      {{"-n", "3"}, ""},
      {{"-n", "1", "-write_ascii"}, ""},
      {{"-n", "4", "-fof_size", "3"}, "out.id4"},
      // Compressed sorted runs, a small buffer and a staged merge.
      {{"-n", "2", "-gzip", "-buffer", "1", "-files", "2", "-write_ascii"}, "out.id2.gz"},
  };
  for (int ranks = 1; ranks <= 4; ++ranks) {
    const Options &o = sets[(t.rotation + ranks) % 4];
    std::vector<std::string> args = o.args;
    args.insert(args.end(), {"-vocab", dir.File("vocab"), "-temp", dir.path()});
    std::vector<std::string> serial_args = args, job_args = args;
    if (!o.output.empty()) {
      serial_args.insert(serial_args.end(), {"-idngram", dir.File("serial." + o.output)});
      job_args.insert(job_args.end(), {"-idngram", dir.File(o.output)});
    }
    job_args.insert(job_args.end(), {"-text", text});
    const ChildResult serial = RunProgram("gramlex", serial_args, t.bytes);
    ASSERT_EQ(serial.status, 0) << serial.err;
    const ChildResult job = RunJob(ranks, "gramlex", job_args);
    ASSERT_EQ(job.status, 0) << ranks << " ranks: " << job.err;
    const std::string where = std::to_string(ranks) + " ranks, " + o.args[1] + "-grams";
    if (o.output.empty()) {
      EXPECT_EQ(job.out, serial.out) << where;
    } else {
      EXPECT_EQ(job.out, "");
      EXPECT_EQ(Contents(dir.File(o.output)), Contents(dir.File("serial." + o.output))) << where;
    }
    EXPECT_EQ(Statistics(job.err), Statistics(serial.err)) << where;
    EXPECT_EQ(Occurrences(job.err, "WARNING"), Occurrences(serial.err, "WARNING")) << where;
  }
  // No temporary directory or output name is left behind.
  const std::string left = RunShell("ls -A " + Quoted(dir.path())).out;
  EXPECT_EQ(left.find("gramlex"), std::string::npos) << left;
}

INSTANTIATE_TEST_SUITE_P(Texts, MpiJobText, ::testing::ValuesIn(Texts()),
                         [](const ::testing::TestParamInfo<Text> &info) {
                           std::string name;
                           for (const char *c = info.param.name; *c; ++c)
                             if (isalnum(static_cast<unsigned char>(*c))) name += *c;
                           return name;
                         });

// `job` of 3 ranks, whose rank 1 is sent `signal` once it has made its
// temporary directory in `temp`.
std::string KillRank1(const std::string &job, const std::string &temp, const char *signal) {
  // The launcher then sends the other ranks SIGTERM and, by default, SIGKILL
  // a second later; a busy machine may need longer for their clean-up.
  return "3 --mca odls_base_sigkill_timeout 10 " + job + " & job=$!; "
         "until ls -d " + temp + "/gramlex_rank1_* >/dev/null 2>&1; do sleep 0.01; done; "
         "for p in $(pgrep -P $job); do "
         "  tr '\\0' '\\n' < /proc/$p/environ | grep -qx OMPI_COMM_WORLD_RANK=1 && "
         "kill -" + signal + " $p; "
         "done; wait $job";
}

// A failing rank ends the whole job with a message naming it, no output
// appears under the final name (an older file there stays as it was), and
// no rank leaves its temporary directory or the output's temporary file.
TEST(MpiJobFailure, EndsTheJobAndLeavesNoOutput) {
  ScratchDir dir;
  const std::string text = dir.File("text"), out = dir.File("out");
  WriteFile(text, MixedText(300000));
  // Long enough work (many small sorted runs) that rank 1 is surely still
  // running when it is killed, however fast the machine.
  const std::string long_text = dir.File("long");
  WriteFile(long_text, MixedText(3000000));
  WriteFile(dir.File("text.gz"), "");
  WriteFile(dir.File("vocab"), "a\nb\nthe\n");
  const std::string gramlex = "./gramlex -vocab " + dir.File("vocab") + " -temp " + dir.path() +
                              " -idngram " + out;
  struct Case {
    std::string command;  // a job, with the text or not
    std::string message;
  } cases[] = {
      // Every rank fails; whichever reports first is named.
      {"3 ./countlex -text " + dir.File("missing"), " of 3 failed; ending the job"},
      {"2 ./countlex -text " + dir.File("text.gz"), "cannot be split between ranks"},
      {"2 " + gramlex, "standard input cannot be split"},
      // A full disk under rank 0's output.
      {"3 ./gramlex -vocab " + dir.File("vocab") + " -text " + text + " -idngram /dev/full",
       "gramlex : rank 0 of 3 failed"},
      // A full disk under the launcher's standard output.
      {"2 ./countlex -text " + text + " > /dev/full",
       "countlex : Error writing the word frequency list: No space left on device"},
      {"2 ./gramlex -vocab " + dir.File("vocab") + " -text " + text + " > /dev/full",
       "gramlex : Error : cannot write the standard output: No space left on device"},
      // Rank 1 killed once it has begun: outright, and by a signal it cleans
      // up after (the others are then sent SIGTERM by the launcher).
      {KillRank1(gramlex + " -buffer 1 -text " + long_text, dir.path(), "KILL"),
       "process rank 1"},
      // Rank 1's clean-up also removes the directory of rank 0, which may then
      // fail on it before the launcher reports rank 1: either is named.
      {KillRank1(gramlex + " -buffer 1 -text " + long_text, dir.path(), "TERM"), "rank "},
  };
  for (const Case &c : cases) {
    WriteFile(out, "older\n");
    std::string launcher = std::string(LEXKIT_MPIEXEC) + " --oversubscribe";
    if (getuid() == 0) launcher += " --allow-run-as-root";
    const ChildResult r = RunShell("cd " + std::string(LEXKIT_BIN_DIR) + " && " + launcher +
                                   " -np " + c.command + " < /dev/null");
    EXPECT_NE(r.status, 0) << c.command;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.command << "\n" << r.err;
    EXPECT_EQ(ReadFile(out), "older\n") << c.command;
    EXPECT_EQ(RunShell("ls -A " + dir.path() + " | grep gramlex").out, "") << c.command;
  }
}

// Rank 0 writes where the launcher's standard output is: after what a file
// opened for appending holds.
TEST(MpiJobStdout, AppendsWhereTheLauncherWould) {
  ScratchDir dir;
  const std::string text = dir.File("text"), out = dir.File("out");
  WriteFile(text, "b a b\n");
  WriteFile(out, "before\n");
  std::string launcher = std::string(LEXKIT_MPIEXEC) + " --oversubscribe";
  if (getuid() == 0) launcher += " --allow-run-as-root";
  const ChildResult r = RunShell(launcher + " -np 2 " + Quoted(ProgramPath("countlex")) +
                                 " -hash 7 -verbosity 0 -text " + text + " >> " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(out), "before\n" + RunProgram("countlex", {"-hash", "7"}, "b a b\n").out);
}

}  // namespace

#endif  // LEXKIT_MPIEXEC
