// scorelex: reports and -probs lines on the hand-computed trigram model,
// context cues, forced back-off, closed models, and the fatal paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexkit/model.h"
#include "model_files.h"
#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::ReadFile;
using lexkit_test::RunProgram;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

// The trigram model as ARPA and as binary in a scratch directory.
class ScorelexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(arpa_, lexkit_test::kTrigramArpa);
    char error[256] = "";
    lexkit_model *m = lexkit_model_open_arpa(arpa_.c_str(), error, sizeof error);
    ASSERT_NE(m, nullptr) << error;
    ASSERT_EQ(lexkit_model_save_binary(m, binary_.c_str(), error, sizeof error), 0) << error;
    lexkit_model_close(m);
    WriteFile(cues_, "## context cues\n<s>\n");
  }

  // The -probs lines of a run on `text` with extra options.
  std::string Probs(const std::string &text, std::vector<std::string> options) {
    options.insert(options.end(), {"-arpa", arpa_, "-probs", probs_, "-verbosity", "0"});
    const ChildResult r = RunProgram("scorelex", options, text);
    EXPECT_EQ(r.status, 0) << r.err;
    return ReadFile(probs_);
  }

  ScratchDir dir_;
  const std::string arpa_ = dir_.File("tri.arpa");
  const std::string binary_ = dir_.File("tri.bin");
  const std::string cues_ = dir_.File("tri.ccs");
  const std::string probs_ = dir_.File("out.probs");
};

TEST_F(ScorelexTest, ReportAndProbsOfBothForms) {
  // a: unigram (no history); b | a: bigram; a | a b: trigram; </s> | b a:
  // bow(b a) + bow(a) + P(</s>); zz (unknown) | a </s>: bow(</s>) = 0 +
  // P(<unk>); <s> | </s> <unk>: bow(<unk>) + P(<s>); a | <unk> <s>: bigram;
  // b | <s> a: trigram. Total -102.62 over 8 words.
  const std::string text = "a b\na </s>\n\n zz <s>\ta b";
  const std::string report =
      "words_read 8\n"
      "words_scored 8\n"
      "oov_words 1\n"
      "context_cues 0\n"
      "log10_prob -102.620000\n"
      "perplexity 6722023158001.448242\n"
      "entropy_bits 42.612033\n"
      "found_1gram 0.500000\n"
      "found_2gram 0.250000\n"
      "found_3gram 0.250000\n";
  const std::string probs =
      "a -0.500000 3x2x1\n"
      "b -0.200000 3x2\n"
      "a -0.050000 3\n"
      "</s> -0.900000 3-2-1\n"
      "zz -1.000000 3x2-1\n"
      "<s> -99.500000 3x2-1\n"
      "a -0.400000 3x2\n"
      "b -0.070000 3\n";
  for (const std::string form : {"-arpa", "-binary"}) {
    const std::string model = form == "-arpa" ? arpa_ : binary_;
    ChildResult r = RunProgram("scorelex", {form, model, "-probs", probs_}, text);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, report);
    EXPECT_EQ(r.err, "scorelex : Reading the model from " + model +
                         "...\nscorelex : Scoring the text...\nscorelex : Done.\n");
    EXPECT_EQ(ReadFile(probs_), probs);
    const std::string text_file = dir_.File("text");
    WriteFile(text_file, text);
    r = RunProgram("scorelex", {form, model, "-text", text_file, "-verbosity", "0"});
    EXPECT_EQ(r.out, report);
    EXPECT_EQ(r.err, "scorelex : Done.\n");
  }
  const ChildResult empty = RunProgram("scorelex", {"-arpa", arpa_, "-verbosity", "0"}, " \n");
  EXPECT_EQ(empty.out,
            "words_read 0\nwords_scored 0\noov_words 0\ncontext_cues 0\nlog10_prob 0.000000\n"
            "perplexity nan\nentropy_bits nan\nfound_1gram 0.000000\nfound_2gram 0.000000\n"
            "found_3gram 0.000000\n");
}

TEST_F(ScorelexTest, ContextCuesAndForcedBackoff) {
  const std::string list = dir_.File("fb.list");
  WriteFile(list, "## forced back-off\na exc\n");
  struct Case {
    std::vector<std::string> options;
    std::string probs;
  } cases[] = {
      // <s> is history only: a | <s>, b | <s> a, a | a b.
      {{"-context", cues_}, "a -0.400000 3x2\nb -0.070000 3\na -0.050000 3\n"},
      {{"-context", cues_, "-backoff_from_ccs_inc"},
       "a -0.400000 3x2\nb -0.070000 3\na -0.050000 3\n"},
      // Cut after <s>: a alone, b | a, a | a b.
      {{"-context", cues_, "-backoff_from_ccs_exc"},
       "a -0.500000 3x2x1\nb -0.200000 3x2\na -0.050000 3\n"},
      // Cut after a: b alone; a | b (the a before b is dropped).
      {{"-context", cues_, "-backoff_from_list", list},
       "a -0.400000 3x2\nb -0.750000 3x2x1\na -0.300000 3x2\n"},
  };
  for (const Case &c : cases) EXPECT_EQ(Probs("<s> a b a", c.options), c.probs);

  // zz is <unk>. b | a <unk>: bow(<unk>) + P(b) as the context (a <unk>) is
  // unlisted; cut after <unk>: P(b). a | <unk> b: P(a | b) either way.
  const std::string unknown = "a zz b a";
  const std::string plain = "a -0.500000 3x2x1\nzz -1.250000 3x2-1\nb -1.250000 3x2-1\na -0.300000 3x2\n";
  EXPECT_EQ(Probs(unknown, {}), plain);
  EXPECT_EQ(Probs(unknown, {"-backoff_from_unk_inc"}), plain);
  EXPECT_EQ(Probs(unknown, {"-backoff_from_unk_exc"}),
            "a -0.500000 3x2x1\nzz -1.250000 3x2-1\nb -0.750000 3x2x1\na -0.300000 3x2\n");
}

TEST_F(ScorelexTest, ClosedModelsSkipUnknownWords) {
  const std::string closed = dir_.File("closed.arpa");
  WriteFile(closed, lexkit_test::kClosedBigramArpa);
  // y | x: -0.1; x | y: bow(y) + P(x); zz is not scored but ends x's
  // context: y | <unk>: P(y).
  const ChildResult r = RunProgram(
      "scorelex", {"-arpa", closed, "-probs", probs_, "-verbosity", "0"}, "x y x zz y");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find("log10_prob")),
            "words_read 5\nwords_scored 4\noov_words 1\ncontext_cues 0\n");
  EXPECT_EQ(ReadFile(probs_), "x -0.300000 2x1\ny -0.100000 2\nx -0.400000 2-1\ny -0.400000 2x1\n");
}

// The README's main job: the sample text's model by countlex, picklex,
// gramlex and buildlex, its perplexity on the sample from both forms.
TEST(Scorelex, SampleModelOnTheSample) {
  ScratchDir dir;
  const std::string bin = LEXKIT_BIN_DIR "/", text = LEXKIT_SOURCE_DIR "/sample/sample.txt";
  ASSERT_EQ(lexkit_test::RunShell(
                bin + "countlex < " + text + " | " + bin + "picklex -top 30 > " + dir.File("v") +
                " && " + bin + "gramlex -vocab " + dir.File("v") + " -n 3 -idngram " +
                dir.File("id3") + " < " + text + " && " + bin + "buildlex -idngram " +
                dir.File("id3") + " -vocab " + dir.File("v") + " -arpa " + dir.File("lm.arpa") +
                " -binary " + dir.File("lm.bin"))
                .status,
            0);
  for (const std::string form : {"-arpa", "-binary"}) {
    const ChildResult r = RunProgram(
        "scorelex", {form, dir.File(form == "-arpa" ? "lm.arpa" : "lm.bin"), "-text", text,
                     "-verbosity", "0"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "words_read 267\nwords_scored 267\noov_words 65\ncontext_cues 0\n"
              "log10_prob -204.630923\nperplexity 5.839934\nentropy_bits 2.545952\n"
              "found_1gram 0.003745\nfound_2gram 0.003745\nfound_3gram 0.992509\n");
  }
}

TEST_F(ScorelexTest, FatalErrors) {
  const std::string usage_start = "scorelex : Score a text with a back-off language model.\n";
  struct Case {
    std::vector<std::string> args;
    std::string message;  // the last line of stderr
  } cases[] = {
      {{}, "scorelex : Error : give one of -arpa and -binary.\n"},
      {{"-arpa", arpa_, "-binary", binary_}, "scorelex : Error : give one of -arpa and -binary.\n"},
      {{"-arpa", binary_}, "scorelex : Error : " + binary_ + ": no \\data\\ line: not an ARPA model\n"},
      {{"-binary", arpa_}, "scorelex : Error : " + arpa_ + ": not a lexkit binary model\n"},
      {{"-binary", dir_.path()}, "scorelex : Error : " + dir_.path() + ": is a directory\n"},
      {{"-arpa", arpa_, "-backoff_from_ccs_exc"},
       "scorelex : Error : -backoff_from_ccs_inc and -backoff_from_ccs_exc need -context.\n"},
      {{"-arpa", arpa_, "-text", dir_.File("missing.txt"), "-probs", probs_},
       "ox_iopen: None of '" + dir_.File("missing.txt") + "' '" + dir_.File("missing.txt") +
           ".Z' or '" + dir_.File("missing.txt") + ".gz' exist.\n"},
      {{"-arpa", arpa_, "-probs", dir_.File("no/out.probs")},
       "scorelex : Error : cannot write '" + dir_.File("no/out.probs") +
           "': No such file or directory\n"},

      {{"-arpa", arpa_, "-probs"}, "scorelex : Error : option -probs needs a value.\n"},
      {{"-arpa", arpa_, "-bogus"}, "scorelex : Run 'scorelex -help' for the options.\n"},
  };
  WriteFile(probs_, "old\n");
  for (const Case &c : cases) {
    const ChildResult r = RunProgram("scorelex", c.args, "a b");
    EXPECT_EQ(r.status, 255);
    const size_t last = r.err.rfind('\n', r.err.size() - 2);
    EXPECT_EQ(r.err.substr(last == std::string::npos ? 0 : last + 1), c.message) << r.err;
    EXPECT_EQ(r.out, "");
  }
  const ChildResult full =
      RunProgram("scorelex", {"-arpa", arpa_, "-probs", "/dev/full", "-verbosity", "0"}, "a b");
  EXPECT_EQ(full.status, 255);
  EXPECT_EQ(full.err, "scorelex : Error : cannot write '/dev/full': No space left on device\n");
  // A failed run leaves -probs as it was, and no temporary file.
  EXPECT_EQ(ReadFile(probs_), "old\n");
  EXPECT_EQ(lexkit_test::RunShell("ls -A " + dir_.path()).out,
            "out.probs\ntri.arpa\ntri.bin\ntri.ccs\n");
  const ChildResult help = RunProgram("scorelex", {"-help"});
  EXPECT_EQ(help.status, 1);
  EXPECT_EQ(help.err.substr(0, usage_start.size()), usage_start);
}

}  // namespace
