// Every distribution of a built model sums to 1 over the whole vocabulary:
// models of a few thousand words of generated text, for each method, with
// cut-offs 0 and 1, open and closed vocabulary, with and without context
// cues. Each context's distribution is summed word by word through a
// back-off walk of its own (ARPA semantics), in doubles.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "liblmest/build/model_build.h"
#include "model_walk.h"
#include "test_support.h"

using lexkit::ModelBuild;

namespace {

// Sentences "<s> w ... </s>" over 120 words, each next word drawn near the
// one before, so that contexts repeat and have many followers. Words 0..99
// are in the vocabulary, 100..119 are not (the unknown word), and the
// vocabulary also has two words never seen.
struct Corpus {
  std::vector<std::string> vocab;               // ids 1..V
  std::map<std::vector<uint32_t>, int> trigrams;  // by ids
};

Corpus MakeCorpus(int words) {
  Corpus c;
  c.vocab = {"<s>", "</s>"};
  for (int i = 0; i < 100; ++i) c.vocab.push_back("w" + std::to_string(i));
  c.vocab.push_back("never1");
  c.vocab.push_back("never2");
  std::mt19937 rng(7);
  std::vector<uint32_t> text;
  int w = 0;
  while (static_cast<int>(text.size()) < words) {
    text.push_back(1);  // <s>
    const int length = 3 + static_cast<int>(rng() % 8);
    for (int i = 0; i < length; ++i) {
      w = static_cast<int>((w + rng() % 7 + rng() % 3 * 13) % 120);
      text.push_back(w < 100 ? static_cast<uint32_t>(w + 3) : 0u);
    }
    text.push_back(2);  // </s>
  }
  for (size_t i = 0; i + 2 < text.size(); ++i)
    ++c.trigrams[{text[i], text[i + 1], text[i + 2]}];
  return c;
}

TEST(BuildlexNormalisation, EveryContextSumsToOne) {
  const Corpus corpus = MakeCorpus(3000);
  lexkit_test::ScratchDir dir;
  std::string vocab_text = "## vocabulary\n";
  for (const std::string &w : corpus.vocab) vocab_text += w + "\n";
  lexkit_test::WriteFile(dir.File("v.vocab"), vocab_text);
  lexkit_test::WriteFile(dir.File("cues"), "<s>\n");
  std::string ids;
  for (const auto &[gram, count] : corpus.trigrams)
    ids += std::to_string(gram[0]) + " " + std::to_string(gram[1]) + " " +
           std::to_string(gram[2]) + " " + std::to_string(count) + "\n";
  lexkit_test::WriteFile(dir.File("t.id3"), ids);

  for (int method = 1; method <= 4; ++method)
    for (int cutoff : {0, 1})
      for (bool closed : {false, true})
        for (bool cues : {false, true}) {
          SCOPED_TRACE("method " + std::to_string(method) + " cutoff " +
                       std::to_string(cutoff) + (closed ? " closed" : " open") +
                       (cues ? " cues" : ""));
          buildlex_options o;
          buildlex_default_options(&o);
          const std::string idngram = dir.File("t.id3"), vocab = dir.File("v.vocab"),
                            cue_file = dir.File("cues"), arpa = dir.File("m.arpa");
          o.idngram_filename = idngram.c_str();
          o.vocab_filename = vocab.c_str();
          o.arpa_filename = arpa.c_str();
          o.context_cues_filename = cues ? cue_file.c_str() : nullptr;
          o.ascii_input = 1;
          o.good_turing = method == 1;
          o.absolute = method == 2;
          o.linear = method == 3;
          o.witten_bell = method == 4;
          o.closed_vocabulary = closed;
          o.cutoffs[0] = o.cutoffs[1] = cutoff;
          o.verbosity = 0;
          ModelBuild build(lexkit::MakeBuildConfig(o));
          build.LoadVocabulary();
          build.ReadCounts();
          build.ComputeDiscounts();
          build.Estimate(true);
          ASSERT_GT(build.tables().size(1), 100u);
          lexkit_test::ExpectNormalised(build);
        }
}

}  // namespace
