// The gramlex program: text and vocabulary to an id n-gram file, checked
// against trigram counts made independently here.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "lexkit/general.h"
#include "lexkit/ngram.h"
#include "test_support.h"

using lexkit_test::ReadFile;
using lexkit_test::RunProgram;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

using Gram = std::vector<wordid_t>;

// Counts the n-grams of `text` with ids from `vocab` (line order from 1,
// 0 for any other word).
std::map<Gram, int> CountIndependently(const std::string &text,
                                       const std::vector<std::string> &vocab, int n) {
  std::map<std::string, wordid_t> ids;
  for (size_t i = 0; i < vocab.size(); ++i) ids.emplace(vocab[i], static_cast<wordid_t>(i + 1));
  std::istringstream in(text);
  std::vector<wordid_t> words;
  std::string w;
  while (in >> w) {
    auto it = ids.find(w);
    words.push_back(it == ids.end() ? 0 : it->second);
  }
  std::map<Gram, int> counts;
  for (size_t i = 0; i + n <= words.size(); ++i)
    ++counts[Gram(words.begin() + i, words.begin() + i + n)];
  return counts;
}

std::map<Gram, int> ReadIdNgrams(const std::string &path, int n, bool ascii) {
  FILE *fp = ox_iopen(path.c_str());
  std::vector<id__t> ids(n);
  ngram g{static_cast<unsigned short>(n), ids.data(), 0};
  std::map<Gram, int> counts;
  Gram previous;
  while (get_ngram(fp, &g, ascii ? 1 : 0)) {
    Gram key(ids.begin(), ids.end());
    EXPECT_TRUE(previous.empty() || previous < key) << "records not ascending";
    previous = key;
    counts[key] += g.count;
  }
  ox_iclose(fp);
  return counts;
}

// A text of `words` words over a vocabulary of `distinct` words, some of
// them outside the vocabulary file written beside it.
struct Corpus {
  std::string text;
  std::vector<std::string> vocab;
};

Corpus MakeCorpus(int words, int distinct) {
  std::mt19937 rng(42);
  Corpus c;
  for (int i = 0; i < words; ++i) {
    int r = static_cast<int>(rng() % distinct);
    r = static_cast<int>(rng() % (r + 1));  // skewed towards small ranks
    c.text += "w" + std::to_string(r) + ((i % 17 == 16) ? "\n" : " ");
  }
  for (int i = 0; i < distinct; i += 2) c.vocab.push_back("w" + std::to_string(i));
  return c;
}

std::string VocabFile(const std::vector<std::string> &vocab) {
  std::string v = "## a vocabulary\n";
  for (const auto &w : vocab) v += w + "\n";
  return v;
}

TEST(Gramlex, UsageAndRequiredVocabulary) {
  auto r = RunProgram("gramlex", {"-n", "2", "-help"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("gramlex : Generate an id n-gram file from text and a vocabulary.\n", 0), 0u);
  EXPECT_EQ(r.out, "");
  r = RunProgram("gramlex", {}, "a b c\n");
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("gramlex : Error : the option -vocab is required.\n"), std::string::npos);
  r = RunProgram("gramlex", {"-vocab", "v", "-frobnicate"});
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("unrecognised argument '-frobnicate'"), std::string::npos);
}

TEST(Gramlex, OutputEqualsIndependentCountsInEveryForm) {
  ScratchDir dir;
  Corpus c = MakeCorpus(60000, 400);
  WriteFile(dir.File("v"), VocabFile(c.vocab));
  const auto expected = CountIndependently(c.text, c.vocab, 3);
  struct Case {
    std::vector<std::string> args;
    std::string out;  // "" for stdout
    bool ascii;
  } cases[] = {
      {{}, "", false},
      {{"-write_ascii"}, "", true},
      // A small buffer and two files at a time: many temporary files and a
      // staged merge, compressed on the way.
      {{"-buffer", "1", "-files", "2", "-gzip"}, "out.id3.gz", false},
      {{"-buffer", "1", "-temp", dir.path()}, "out.id3", false},
  };
  for (const Case &k : cases) {
    std::vector<std::string> args = {"-vocab", dir.File("v"), "-verbosity", "0"};
    args.insert(args.end(), k.args.begin(), k.args.end());
    std::string path = dir.File("stdout.id3");
    if (!k.out.empty()) {
      path = dir.File(k.out);
      args.push_back("-idngram");
      args.push_back(path);
    }
    auto r = RunProgram("gramlex", args, c.text);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "gramlex : Done.\n");
    if (k.out.empty()) WriteFile(path, r.out);
    EXPECT_EQ(ReadIdNgrams(path, 3, k.ascii), expected) << k.out;
  }
  // Temporary files given a directory are gone after success.
  auto r = RunShell("ls " + dir.path());
  EXPECT_EQ(r.out, "out.id3\nout.id3.gz\nstdout.id3\nv\n");
}

TEST(Gramlex, BigramsWithStatisticsAndUnigrams) {
  ScratchDir dir;
  WriteFile(dir.File("v"), "a\nb\n");
  auto r = RunProgram("gramlex", {"-vocab", dir.File("v"), "-n", "2", "-write_ascii",
                                  "-fof_size", "2"},
                      "a b a b\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1 2 2\n2 1 1\n");
  EXPECT_NE(r.err.find("2-grams: 2 distinct\n    count    2-grams\n        1          1\n"
                       "        2          1\n"),
            std::string::npos)
      << r.err;
  r = RunProgram("gramlex", {"-vocab", dir.File("v"), "-n", "1", "-write_ascii", "-verbosity",
                             "1"},
                 "b x b a\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0 1\n1 1\n2 2\n");
  EXPECT_EQ(r.err, "gramlex : Done.\n");
  // Fewer words than n: an empty file.
  r = RunProgram("gramlex", {"-vocab", dir.File("v"), "-idngram", dir.File("e")}, "a b\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir.File("e")), "");
}

// Two runs given the same -temp directory at once each work in a private
// directory of their own: both give the output of a run alone, and a
// user's file in the directory is left alone.
TEST(Gramlex, ConcurrentRunsShareATempDirectory) {
  ScratchDir dir;
  Corpus c = MakeCorpus(300000, 400);
  WriteFile(dir.File("v"), VocabFile(c.vocab));
  WriteFile(dir.File("text"), c.text);
  RunShell("mkdir " + dir.File("temp"));
  WriteFile(dir.File("temp/1"), "mine\n");
  const std::string run = lexkit_test::ProgramPath("gramlex") + " -vocab " + dir.File("v") +
                          " -buffer 1 -verbosity 0 -temp " + dir.File("temp") + " < " +
                          dir.File("text") + " -idngram " + dir.path() + "/";
  auto r = RunShell(run + "alone && " + run + "a & a=$!; " + run + "b & b=$!; " +
                    "wait $a; sa=$?; wait $b; echo $sa $?");
  EXPECT_EQ(r.out, "0 0\n") << r.err;
  const std::string alone = ReadFile(dir.File("alone"));
  EXPECT_EQ(ReadIdNgrams(dir.File("alone"), 3, false), CountIndependently(c.text, c.vocab, 3));
  EXPECT_EQ(ReadFile(dir.File("a")), alone);
  EXPECT_EQ(ReadFile(dir.File("b")), alone);
  EXPECT_EQ(RunShell("ls -A " + dir.File("temp")).out, "1\n");
  EXPECT_EQ(ReadFile(dir.File("temp/1")), "mine\n");
}

// A device or a FIFO named by -idngram is written, never replaced: a full
// device fails the run, a FIFO's reader gets the output.
TEST(Gramlex, OutputsThatAreNotFilesAreWrittenNotReplaced) {
  ScratchDir dir;
  WriteFile(dir.File("v"), "a\nb\n");
  RunShell("mkfifo " + dir.File("fifo"));
  const std::string gramlex = lexkit_test::ProgramPath("gramlex") + " -vocab " + dir.File("v") +
                              " -n 2 -write_ascii -verbosity 0 -idngram ";
  auto r = RunShell("timeout 60 cat " + dir.File("fifo") + " > " + dir.File("copy") + " & " +
                        gramlex + dir.File("fifo") + "; s=$?; wait; echo $s",
                    "a b a b\n");
  EXPECT_EQ(r.out, "0\n") << r.err;
  EXPECT_EQ(ReadFile(dir.File("copy")), "1 2 2\n2 1 1\n");
  EXPECT_EQ(RunShell("test -p " + dir.File("fifo")).status, 0);
  if (geteuid() != 0) return;  // only root may make device nodes
  RunShell("mknod " + dir.File("full") + " c 1 7");
  r = RunShell(gramlex + dir.File("full"), "a b a b\n");
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("Write error encountered while attempting to merge temporary files.\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(RunShell("test -c " + dir.File("full")).status, 0);
}

// Shards cut at line ends, each after the first starting with the last n-1
// words of the one before, merge into exactly the output and statistics of
// one run over the whole text; the shards' files stay.
TEST(Gramlex, MergeOfShardsEqualsOneRun) {
  ScratchDir dir;
  Corpus c = MakeCorpus(60000, 400);
  WriteFile(dir.File("v"), VocabFile(c.vocab));
  std::vector<std::string> shards(3);
  std::string last_words;
  for (size_t at = 0, k = 0; k < shards.size(); ++k) {
    size_t end = k + 1 == shards.size() ? c.text.size() : c.text.find('\n', c.text.size() * (k + 1) / 3) + 1;
    shards[k] = last_words + c.text.substr(at, end - at);
    std::istringstream words(shards[k]);
    std::vector<std::string> all{std::istream_iterator<std::string>(words), {}};
    last_words = all[all.size() - 2] + " " + all[all.size() - 1] + "\n";
    at = end;
  }
  const std::vector<std::string> names = {dir.File("s1"), dir.File("s2.gz"), dir.File("s3")};
  for (size_t k = 0; k < shards.size(); ++k)
    ASSERT_EQ(RunProgram("gramlex", {"-vocab", dir.File("v"), "-idngram", names[k]}, shards[k]).status, 0);
  auto whole = RunProgram("gramlex", {"-vocab", dir.File("v"), "-idngram", dir.File("whole")}, c.text);
  auto merged = RunProgram("gramlex", {"-merge", names[0], names[1], names[2], "-files", "2",
                                       "-idngram", dir.File("merged")});
  ASSERT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(ReadFile(dir.File("merged")), ReadFile(dir.File("whole")));
  auto statistics = [](const std::string &err) { return err.substr(err.find("Frequency of frequency")); };
  EXPECT_EQ(statistics(merged.err), statistics(whole.err));
  for (const auto &name : names) EXPECT_TRUE(lexkit_test::FileExists(name)) << name;

  WriteFile(dir.File("odd"), "0123456789");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } refused[] = {
      {{"-merge"}, "gramlex : Error : -merge needs at least one id n-gram file.\n"},
      {{"-merge", names[0], "-vocab", dir.File("v")},
       "gramlex : Error : -merge takes id n-gram files, not a vocabulary.\n"},
      {{"-merge", dir.File("none")},
       "gramlex : Error : cannot read '" + dir.File("none") + "': No such file or directory\n"},
      {{"-merge", dir.File("odd")},
       "gramlex : Error : '" + dir.File("odd") + "' is not a binary id n-gram file of order 3: "
       "its size, 10 bytes, is not a multiple of 16.\n"},
  };
  for (const Case &k : refused) {
    auto r = RunProgram("gramlex", k.args);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, k.message);
  }
}

// Options and names that cannot give a sound run end it before any work:
// no text is read, and nothing is left behind.
TEST(Gramlex, RefusedBeforeAnyWork) {
  ScratchDir dir;
  WriteFile(dir.File("v"), "a\nb\n");
  WriteFile(dir.File("empty"), "## no words\n");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"-temp", dir.File("missing")},
       "gramlex : Error : cannot make a temporary directory in '" + dir.File("missing") +
           "': No such file or directory\n"},
      {{"-idngram", dir.File("nodir/out")},
       "gramlex : Error : cannot write '" + dir.File("nodir/out") + "': No such file or directory\n"},
      {{"-idngram", dir.path()}, "gramlex : Error : cannot write '" + dir.path() + "': Is a directory\n"},
      {{"-n", "0"}, "gramlex : Error : -n must be at least 1.\n"},
      {{"-files", "91"}, "gramlex : Error : -files must be at least 2 and at most 90.\n"},
      {{"-files", "1"}, "gramlex : Error : -files must be at least 2 and at most 90.\n"},
      {{"-buffer", "999999999"},
       "gramlex : Error : -buffer 999999999 asks for 999999999000000 bytes, more than the "},
      {{"-fof_size", "0"}, "gramlex : Error : -fof_size must be at least 1 and at most 1000.\n"},
      {{"-fof_size", "1001"}, "gramlex : Error : -fof_size must be at least 1 and at most 1000.\n"},
      {{"-vocab", dir.File("empty")},
       "gramlex : Error : the vocabulary '" + dir.File("empty") + "' holds no words.\n"},
      {{"-vocab", "-"}, "cannot be read from standard input"},
  };
  for (const Case &c : cases) {
    std::vector<std::string> args = {"-vocab", dir.File("v"), "-temp", dir.path(), "-idngram",
                                     dir.File("out")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto r = RunProgram("gramlex", args, "a b a b a\n");
    EXPECT_EQ(r.status, 255) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Reading text"), std::string::npos) << r.err;
    EXPECT_EQ(RunShell("ls -A " + dir.path()).out, "empty\nv\n") << c.message;
  }
  auto r = RunProgram("gramlex", {}, "a b c\n");
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("gramlex : Error : the option -vocab is required.\n"), std::string::npos);
}

// A write that fails (a full device on stdout) ends the run with status 255,
// and the temporary files go: they would make a full disk fuller.
TEST(Gramlex, FailedWriteRemovesTemporaryFiles) {
  ScratchDir dir;
  WriteFile(dir.File("v"), "a\nb\n");
  auto r = RunShell(lexkit_test::ProgramPath("gramlex") + " -vocab " + dir.File("v") +
                        " -verbosity 0 -temp " + dir.path() + " > /dev/full",
                    "a b a b a\n");
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("Aborting, but keeping temporary files.\n"
                       "gramlex : removed the temporary files in " + dir.path() + "/gramlex_"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(RunShell("ls -A " + dir.path()).out, "v\n");
}

}  // namespace
