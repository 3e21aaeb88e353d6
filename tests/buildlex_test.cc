// buildlex: models of a small text worked out by hand for each method (in
// the ARPA text, and scored through the scoring API from both forms), odd
// data that must still give sound models, bad input that must be refused,
// and the program's outputs.
#include <gtest/gtest.h>
#include <string.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "idngram_files.h"
#include "lexkit/buildlex.h"
#include "lexkit/model.h"
#include "liblmest/build/model_build.h"
#include "liblmest/model/model_file.h"
#include "liblmest/model/model_layout.h"
#include "model_ptr.h"
#include "model_walk.h"
#include "test_support.h"

using lexkit_test::ReadFile;
using lexkit_test::RunChild;
using lexkit_test::RunProgram;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

// An ARPA model read back: log10 probability and back-off weight by words.
struct Arpa {
  std::vector<uint64_t> counts;  // from \data\, per order
  std::map<std::string, std::pair<double, double>> entries;
  bool ended = false;
};

Arpa ParseArpa(const std::string &text) {
  Arpa arpa;
  std::istringstream in(text);
  std::string line;
  int order = 0;
  while (std::getline(in, line)) {
    if (line.rfind("ngram ", 0) == 0) {
      arpa.counts.push_back(std::stoull(line.substr(line.find('=') + 1)));
    } else if (line.size() > 2 && line[0] == '\\' && line.find("-grams:") != std::string::npos) {
      order = std::stoi(line.substr(1));
    } else if (line == "\\end\\") {
      arpa.ended = true;
    } else if (order > 0 && !line.empty()) {
      const size_t tab = line.find('\t');
      const size_t tab2 = line.find('\t', tab + 1);
      const double bow = tab2 == std::string::npos ? 0.0 : std::stod(line.substr(tab2 + 1));
      arpa.entries[line.substr(tab + 1, tab2 - tab - 1)] = {std::stod(line.substr(0, tab)), bow};
    }
  }
  return arpa;
}

struct Files {
  ScratchDir dir;
  std::string idngram = dir.File("t.id3");
  std::string vocab = dir.File("t.vocab");
  std::string arpa = dir.File("t.arpa");
  std::string binary = dir.File("t.bin");
};

// Options for the files, at verbosity 0.
buildlex_options Options(const Files &f, int method) {
  buildlex_options o;
  buildlex_default_options(&o);
  o.idngram_filename = f.idngram.c_str();
  o.vocab_filename = f.vocab.c_str();
  o.arpa_filename = f.arpa.c_str();
  o.ascii_input = 1;
  o.good_turing = method == 1;
  o.absolute = method == 2;
  o.linear = method == 3;
  o.witten_bell = method == 4;
  o.verbosity = 0;
  return o;
}

// Builds in a child process (a build keeps its tables until the process
// ends) and returns the child's result.
lexkit_test::ChildResult Build(const buildlex_options &o) {
  return RunChild([&] { buildlex_impl(&o); });
}

// One step of two-byte back-off weights on the default scale, in log10:
// (2.5 + 3.2) / 55535.
constexpr double kTwoByteAlphaStep = 5.7 / 55535;

// The text "c a c e d e b c c e d e d e" (14 words) as gramlex gives its 12
// trigrams, vocabulary a b c d e f (ids 1..6; f is never seen).
const char kTrigrams[] =
    "1 3 5 1\n"   // a c e
    "2 3 3 1\n"   // b c c
    "3 1 3 1\n"   // c a c
    "3 3 5 1\n"   // c c e
    "3 5 4 2\n"   // c e d
    "4 5 2 1\n"   // d e b
    "4 5 4 1\n"   // d e d
    "5 2 3 1\n"   // e b c
    "5 4 5 3\n";  // e d e
const char kVocab[] = "a\nb\nc\nd\ne\nf\n";

// Counts, as prefix totals of the trigrams:
//   unigrams  c 4, e 4, d 2, a 1, b 1 (N = 12); f and <unk> 0
//   bigrams   c a 1, c c 1, c e 2, e b 1, e d 3, d e 2, a c 1, b c 1
//   trigrams  e d e 3, c e d 2, and seven of count 1
// so the frequencies of frequencies are, by order: n1 2, n2 1, n4 2;
// n1 5, n2 2, n3 1; n1 7, n2 1, n3 1.
// The unigram mass left by discounting goes to f and <unk> in equal shares.
// Checked below: every unigram, P(e | c) and alpha(c), P(e | e d) and
// alpha(e d), where alpha(h) = (1 - sum P(w | h)) / (1 - sum P(w | h'))
// over h's successors, and
//   alpha(c):   successors a 1, c 1, e 2 of c (4)
//   alpha(e d): successor e 3 of e d (3); its lower P(e | d), d (2)
//               having the one successor e 2.
struct Expected {
  const char *name;
  int method;
  double unigrams[7];  // <unk> a b c d e f
  double p_e_c, alpha_c, p_e_ed, alpha_ed;
};

const Expected kExpected[] = {
    // Good-Turing: the unigram and trigram tallies support no range
    // (x1 = 2 n2 / n1 = 1 and 2/7 equal Katz's c for K = 1, and n3 = 0 or
    // x2 = 1.5 > 1 for K = 2), so those counts stay whole; bigrams get
    // K = 2: x1 = 4/5, x2 = 3/4, c = 3 n3 / n1 = 3/5, d1 = (x1 - c) / (1 - c)
    // = 1/2, d2 = 3/8.
    // Nothing is left for f and <unk>: they share the Witten-Bell estimate
    // T / (N + T) = 5/17, the seen words keeping c / 12 * 12/17 = c / 17.
    // P(e | c) = 2 * 3/8 / 4 = 3/16; alpha(c) = (1 - (1/2 + 3/4 + 1/2) / 4)
    //   / (1 - (1 + 4 + 4) / 17) = (9/16) / (8/17) = 153/128.
    // e d: P(e | e d) = 1 leaves nothing, so the Witten-Bell share 1/(3+1)
    //   stays: P(e | e d) = 3/4, alpha(e d) = (1/4) / (1 - P(e | d)) with
    //   P(e | d) = 2 * 3/8 / 2 = 3/8: (1/4) / (5/8) = 2/5.
    {"good_turing", 1, {5 / 34., 1 / 17., 1 / 17., 4 / 17., 2 / 17., 4 / 17., 5 / 34.},
     3 / 16., 153 / 128., 3 / 4., 2 / 5.},
    // Absolute: D = n1 / (n1 + 2 n2) = 1/2, 5/9, 7/9 by order.
    // Unigrams (c - 1/2) / 12: c, e 7/24, d 1/8, a, b 1/24; f and <unk>
    //   share 2.5/12: 5/48 each.
    // P(e | c) = (2 - 5/9) / 4 = 13/36; alpha(c) = (1 - (4/9 + 4/9 + 13/9) / 4)
    //   / (1 - (1/24 + 7/24 + 7/24)) = (5/12) / (3/8) = 10/9.
    // P(e | e d) = (3 - 7/9) / 3 = 20/27; P(e | d) = (2 - 5/9) / 2 = 13/18;
    //   alpha(e d) = (7/27) / (5/18) = 14/15.
    {"absolute", 2, {5 / 48., 1 / 24., 1 / 24., 7 / 24., 1 / 8., 7 / 24., 5 / 48.},
     13 / 36., 10 / 9., 20 / 27., 14 / 15.},
    // Linear: ratio 1 - n1 / N = 5/6, 7/12, 5/12 by order (N = 12).
    // Unigrams c * 5/6 / 12: c, e 5/18, d 5/36, a, b 5/72; f and <unk> 1/12.
    // P(e | c) = 2 * 7/12 / 4 = 7/24; alpha(c) = (1 - 7/12) / (1 - 9 * 5/72)
    //   = (5/12) / (3/8) = 10/9.
    // P(e | e d) = 5/12; P(e | d) = 7/12; alpha(e d) = (7/12) / (5/12) = 7/5.
    {"linear", 3, {1 / 12., 5 / 72., 5 / 72., 5 / 18., 5 / 36., 5 / 18., 1 / 12.},
     7 / 24., 10 / 9., 5 / 12., 7 / 5.},
    // Witten-Bell: unigrams are not discounted, so f and <unk> share 5/17
    // as for Good-Turing. A count c in a context of count m with T types
    // becomes m c / (m + T), so P = c / (m + T).
    // P(e | c) = 2 / (4 + 3) = 2/7; alpha(c) = (3/7) / (8/17) = 51/56.
    // P(e | e d) = 3 / (3 + 1) = 3/4; P(e | d) = 2 / (2 + 1) = 2/3;
    //   alpha(e d) = (1/4) / (1/3) = 3/4.
    {"witten_bell", 4, {5 / 34., 1 / 17., 1 / 17., 4 / 17., 2 / 17., 4 / 17., 5 / 34.},
     2 / 7., 51 / 56., 3 / 4., 3 / 4.},
};

// The hand values through the scoring API, with their back-off cases (as
// decode_bo_case digits, 3 the longest context): every unigram with no
// history (3x2x1), e | c (3x2), e | e d (3), and the weights of c and e d
// as what f gains or loses by backing off through them: f | c (3x2-1)
// = alpha(c) P(f), and f | e d (3-2-1) = alpha(e d) P(f | d). Weights are
// within `rounding` (one step of two-byte weights) of the hand values.
void ExpectHandValuesScored(const Expected &e, const std::string &path, bool binary,
                            double rounding) {
  SCOPED_TRACE(path);
  const lexkit_test::ModelPtr m = lexkit_test::OpenModel(path, binary);
  ASSERT_NE(m, nullptr);
  const auto p = [&](std::vector<wordid_t> context, wordid_t w, int expected_case) {
    int bo_case = -1;
    const double log10_prob = lexkit_model_prob(m.get(), context.data(), context.size(), w, &bo_case);
    EXPECT_EQ(bo_case, expected_case) << "word " << w;
    return log10_prob;
  };
  const wordid_t c = 3, d = 4, ee = 5, f = 6;
  for (wordid_t w = 0; w < 7; ++w) EXPECT_NEAR(p({}, w, 10), std::log10(e.unigrams[w]), 1e-6) << w;
  EXPECT_NEAR(p({c}, ee, 8), std::log10(e.p_e_c), 1e-6);
  EXPECT_NEAR(p({ee, d}, ee, 0), std::log10(e.p_e_ed), 1e-6);
  EXPECT_NEAR(p({c}, f, 9), std::log10(e.alpha_c * e.unigrams[f]), 1e-6 + rounding);
  EXPECT_NEAR(p({ee, d}, f, 5) - p({d}, f, 9), std::log10(e.alpha_ed), 1e-6 + rounding);
}

TEST(BuildlexHandComputed, FourMethodsOnASmallText) {
  const char *words[] = {"<unk>", "a", "b", "c", "d", "e", "f"};
  for (const Expected &e : kExpected) {
    SCOPED_TRACE(e.name);
    Files f;
    WriteFile(f.idngram, kTrigrams);
    WriteFile(f.vocab, kVocab);
    buildlex_options o = Options(f, e.method);
    o.bin_filename = f.binary.c_str();
    o.four_byte_alphas = 1;  // weights as floats: no two-byte rounding
    ASSERT_EQ(Build(o).status, 0);
    const Arpa arpa = ParseArpa(ReadFile(f.arpa));
    EXPECT_EQ(arpa.counts, (std::vector<uint64_t>{7, 8, 9}));
    EXPECT_TRUE(arpa.ended);
    double sum = 0;
    for (int i = 0; i < 7; ++i) {
      EXPECT_NEAR(arpa.entries.at(words[i]).first, std::log10(e.unigrams[i]), 1e-6) << words[i];
      sum += e.unigrams[i];
    }
    EXPECT_NEAR(sum, 1.0, 1e-12);  // the hand values themselves
    EXPECT_NEAR(arpa.entries.at("c e").first, std::log10(e.p_e_c), 1e-6);
    EXPECT_NEAR(arpa.entries.at("c").second, std::log10(e.alpha_c), 1e-6);
    EXPECT_NEAR(arpa.entries.at("e d e").first, std::log10(e.p_e_ed), 1e-6);
    EXPECT_NEAR(arpa.entries.at("e d").second, std::log10(e.alpha_ed), 1e-6);
    EXPECT_EQ(arpa.entries.at("e d e").second, 0.0);  // no weight at the top
    ExpectHandValuesScored(e, f.arpa, false, 0);
    ExpectHandValuesScored(e, f.binary, true, 0);
    o.four_byte_alphas = 0;
    ASSERT_EQ(Build(o).status, 0);
    ExpectHandValuesScored(e, f.arpa, false, kTwoByteAlphaStep);
    ExpectHandValuesScored(e, f.binary, true, kTwoByteAlphaStep);
  }
}

// Small and odd data: each method gives a sound model (checked word by word
// over the vocabulary), falling back with a warning where it must.
TEST(BuildlexOddData, SoundModels) {
  struct Case {
    const char *name;
    const char *vocab;
    const char *trigrams;
    bool closed;
  } cases[] = {
      {"empty file", "a\nb\n", "", false},
      {"empty file, closed", "a\nb\n", "", true},
      {"single n-gram", "a\nb\nc\n", "1 2 3 1\n", false},
      {"one repeated word", "a\n", "1 1 1 10\n", false},
      {"one repeated word, closed", "a\n", "1 1 1 10\n", true},
      {"equal counts", "a\nb\nc\n", "1 2 3 5\n2 3 1 5\n3 1 2 5\n3 2 1 5\n", false},
      {"multiples of 13", "a\nb\nc\n",
       "1 2 2 26\n1 2 3 13\n2 3 1 13\n3 1 2 39\n3 3 3 13\n", false},
      {"one-word vocabulary, unknown words", "a\n", "0 1 0 2\n1 0 0 3\n1 1 0 1\n", false},
      {"one-word vocabulary, closed", "a\n", "0 1 0 2\n1 1 1 4\n", true},
      {"unseen vocabulary words", "a\nb\nc\nd\ne\n", "1 2 1 1\n2 1 2 2\n", true},
      {"every word follows", "a\nb\n", "1 1 1 3\n1 1 2 2\n1 2 1 1\n1 2 2 1\n2 1 1 1\n2 1 2 1\n2 2 1 1\n2 2 2 1\n", true},
  };
  for (const Case &c : cases) {
    for (int method = 1; method <= 4; ++method) {
      SCOPED_TRACE(std::string(c.name) + ", method " + std::to_string(method));
      Files f;
      WriteFile(f.idngram, c.trigrams);
      WriteFile(f.vocab, c.vocab);
      buildlex_options o = Options(f, method);
      o.closed_vocabulary = c.closed;
      lexkit::ModelBuild build(lexkit::MakeBuildConfig(o));
      build.LoadVocabulary();
      build.ReadCounts();
      build.ComputeDiscounts();
      build.Estimate(true);
      lexkit_test::ExpectNormalised(build);
      build.Write();
      const Arpa arpa = ParseArpa(ReadFile(f.arpa));
      ASSERT_TRUE(arpa.ended);
      for (const auto &[words, values] : arpa.entries) {
        EXPECT_TRUE(std::isfinite(values.first) && values.first <= 0) << words;
        EXPECT_TRUE(std::isfinite(values.second)) << words;
      }
    }
  }
}

TEST(BuildlexOddData, FallbackIsReported) {
  Files f;
  WriteFile(f.idngram, "1 2 2 26\n1 2 3 13\n2 3 1 13\n3 1 2 39\n");
  WriteFile(f.vocab, "a\nb\nc\nd\n");
  buildlex_options o = Options(f, 1);
  o.verbosity = 1;
  const auto r = Build(o);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Warning : 1-grams : discounting left no probability for the unseen "
                       "words; they share a Witten-Bell estimate of it.\n"),
            std::string::npos)
      << r.err;
}

// Bad input: status 255, a message naming the file and the record, and no
// output.
TEST(BuildlexBadInput, RefusedWithTheRecord) {
  using lexkit_test::Encode;
  using lexkit_test::Record;
  struct Case {
    const char *name;
    std::string bytes;
    bool ascii;
    int n;
    const char *message;  // after the file name
  } cases[] = {
      {"id beyond the vocabulary", "1 2 3 1\n1 2 7 1\n", true, 3,
       ", record 2: word id 7 is beyond the vocabulary of 3 words.\n"},
      {"out of order", Encode({{{1, 2, 3}, 1}, {{1, 1, 3}, 1}}), false, 3,
       ", record 2: the n-gram is out of order (the file must be sorted).\n"},
      {"repeated", "1 2 3 1\n2 2 2 1\n2 2 2 4\n", true, 3,
       ", record 3: the n-gram repeats the one before.\n"},
      {"count 0", Encode({{{1, 2, 3}, 0}}), false, 3, ", record 1: the count 0 is not positive.\n"},
      {"negative count", "1 2 3 -4\n", true, 3, ", record 1: the count -4 is not positive.\n"},
      {"truncated ASCII", "1 2 3 1\n1 2\n", true, 3,
       " ends inside record 2: the file is truncated, or its n-grams are not of order 3.\n"},
      {"truncated binary", Encode({{{1, 2, 3}, 1}}).substr(0, 14), false, 3,
       " holds 14 bytes, not a whole number of 3-gram records of 16 bytes; is -n right?\n"},
      {"order not that of the file", Encode({{{1, 2, 3}, 1}, {{1, 2, 4}, 1}}), false, 2,
       " holds 32 bytes, not a whole number of 2-gram records of 12 bytes; is -n right?\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Files f;
    WriteFile(f.idngram, c.bytes);
    WriteFile(f.vocab, "a\nb\nc\n");
    buildlex_options o = Options(f, 1);
    o.ascii_input = c.ascii;
    o.n = c.n;
    o.bin_filename = f.binary.c_str();
    const auto r = Build(o);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "buildlex : Error : " + f.idngram + c.message);
    EXPECT_FALSE(lexkit_test::FileExists(f.arpa));
    EXPECT_FALSE(lexkit_test::FileExists(f.binary));
  }
}

// The compact forms: two-byte counts give the same model as four-byte ones;
// two-byte back-off weights are those of four-byte floats within one step
// of the two-byte scale, (2.5 + 3.2) / 55535 in log10, and the
// probabilities are the same.
TEST(BuildlexStorage, CompactAndFourByteForms) {
  Files f;
  WriteFile(f.idngram, kTrigrams);
  WriteFile(f.vocab, kVocab);
  const buildlex_options compact = Options(f, 1);
  ASSERT_EQ(Build(compact).status, 0);
  const std::string two_byte = ReadFile(f.arpa);
  buildlex_options wide = compact;
  wide.four_byte_counts = 1;
  ASSERT_EQ(Build(wide).status, 0);
  EXPECT_EQ(ReadFile(f.arpa), two_byte);
  wide.four_byte_alphas = 1;
  ASSERT_EQ(Build(wide).status, 0);
  const Arpa a = ParseArpa(two_byte), b = ParseArpa(ReadFile(f.arpa));
  ASSERT_EQ(a.entries.size(), b.entries.size());
  for (const auto &[words, values] : a.entries) {
    EXPECT_EQ(values.first, b.entries.at(words).first) << words;
    EXPECT_NEAR(values.second, b.entries.at(words).second, kTwoByteAlphaStep + 1e-7) << words;
  }
}

// The binary model holds the ARPA model's numbers as floats, in the layout
// of model_file.h.
TEST(BuildlexBinary, SameModelAsArpa) {
  namespace mf = lexkit::model_file;
  Files f;
  WriteFile(f.idngram, kTrigrams);
  WriteFile(f.vocab, kVocab);
  buildlex_options o = Options(f, 4);
  o.bin_filename = f.binary.c_str();
  ASSERT_EQ(Build(o).status, 0);
  const std::string bytes = ReadFile(f.binary);
  mf::ModelFileHeader h;
  ASSERT_GE(bytes.size(), sizeof h);
  memcpy(&h, bytes.data(), sizeof h);
  EXPECT_EQ(memcmp(h.magic, mf::kMagic, sizeof h.magic), 0);
  EXPECT_EQ(h.version, mf::kFormatVersion);
  EXPECT_EQ(h.byte_order, mf::kByteOrderMark);
  EXPECT_EQ(h.file_size, bytes.size());
  ASSERT_EQ(h.order, 3u);
  EXPECT_EQ(h.vocab_size, 6u);
  EXPECT_EQ(h.counts[0], 7u);
  EXPECT_EQ(h.counts[1], 8u);
  EXPECT_EQ(h.counts[2], 9u);
  mf::ModelFileHeader expected;
  ASSERT_TRUE(mf::MakeHeader(3, 6, h.counts, h.sections[mf::kVocabText].size,
                             h.sections[mf::kMethodText].size, 0, &expected));
  EXPECT_EQ(memcmp(&h, &expected, sizeof h), 0);
  auto section = [&](uint32_t s) { return bytes.data() + h.sections[s].offset; };
  const std::string method(section(mf::kMethodText), h.sections[mf::kMethodText].size);
  EXPECT_EQ(method.rfind("method witten_bell\norder 3\nvocabulary open\n", 0), 0u) << method;
  const char *words[] = {"<unk>", "a", "b", "c", "d", "e", "f"};
  const char *text = section(mf::kVocabText);
  std::vector<uint64_t> offsets(8);
  memcpy(offsets.data(), section(mf::kVocabOffsets), 8 * sizeof(uint64_t));
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(text + offsets[i], words[i]);

  const Arpa arpa = ParseArpa(ReadFile(f.arpa));
  const auto level = [&](int k, uint32_t s) { return section(mf::kFirstLevelSection + k * mf::kSectionsPerLevel + s); };
  std::vector<float> probs(7), bows(7);
  memcpy(probs.data(), level(0, mf::kLevelProbs), 7 * sizeof(float));
  memcpy(bows.data(), level(0, mf::kLevelBows), 7 * sizeof(float));
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(probs[i], static_cast<float>(arpa.entries.at(words[i]).first)) << words[i];
    EXPECT_EQ(bows[i], static_cast<float>(arpa.entries.at(words[i]).second)) << words[i];
  }
  // The successors of "e" (id 5) in level 1 are "e b" and "e d".
  std::vector<uint32_t> next(8), second(8);
  memcpy(next.data(), level(0, mf::kLevelNext), 8 * sizeof(uint32_t));
  memcpy(second.data(), level(1, mf::kLevelWords), 8 * sizeof(uint32_t));
  ASSERT_EQ(next[6] - next[5], 2u);
  EXPECT_EQ(second[next[5]], 2u);
  EXPECT_EQ(second[next[5] + 1], 4u);
  EXPECT_EQ(next[7], 8u);
}

// The program: usage, the inputs "-" and ".gz", and outputs that appear only
// complete.
TEST(BuildlexProgram, UsageInputsAndOutputs) {
  Files f;
  WriteFile(f.vocab, kVocab);
  std::vector<lexkit_test::Record> records;
  {
    std::istringstream in(kTrigrams);
    uint32_t a, b, c;
    int32_t n;
    while (in >> a >> b >> c >> n) records.push_back({{a, b, c}, n});
  }
  WriteFile(f.idngram, lexkit_test::Encode(records));

  auto r = RunProgram("buildlex", {"-help"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("buildlex : Build a back-off language model", 0), 0u);
  r = RunProgram("buildlex", {"-idngram", f.idngram, "-vocab", f.vocab});
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("-idngram, -vocab and one of -arpa and -binary are required"),
            std::string::npos);
  r = RunProgram("buildlex", {"-idngram", f.idngram, "-vocab", f.vocab, "-arpa", f.arpa,
                              "-vocab_type", "half"});
  EXPECT_EQ(r.status, 255);

  // Binary input from a file and from standard input give the same model;
  // "Done." is all that verbosity 0 leaves.
  r = RunProgram("buildlex", {"-idngram", f.idngram, "-vocab", f.vocab, "-arpa", f.arpa,
                              "-verbosity", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "buildlex : Done.\n");
  const std::string model = ReadFile(f.arpa);
  EXPECT_EQ(model.rfind("\n\\data\\\nngram 1=7\nngram 2=8\nngram 3=9\n\n\\1-grams:\n", 0), 0u);
  const std::string piped = f.dir.File("piped.arpa");
  r = RunProgram("buildlex", {"-idngram", "-", "-vocab", f.vocab, "-arpa", piped,
                              "-verbosity", "0"},
                 ReadFile(f.idngram));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(piped), model);
  // The model on standard output, whole and alone; the vocabulary from
  // standard input, but not with the id n-grams.
  r = RunProgram("buildlex", {"-idngram", f.idngram, "-vocab", "-", "-arpa", "-"},
                 ReadFile(f.vocab));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, model);
  r = RunProgram("buildlex", {"-idngram", "-", "-vocab", "-", "-arpa", piped});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "buildlex : Error : the vocabulary and the id n-grams cannot both come "
                   "from standard input.\n");
  const std::string gz = f.dir.File("t.id3.gz");
  ASSERT_EQ(lexkit_test::RunShell("gzip -c " + f.idngram + " > " + gz).status, 0);
  r = RunProgram("buildlex", {"-idngram", gz, "-vocab", f.vocab, "-arpa", piped + ".gz",
                              "-verbosity", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lexkit_test::RunShell("gzip -dc " + piped + ".gz").out, model);

  // A failed write: status 255, and neither output takes its name.
  r = RunProgram("buildlex", {"-idngram", f.idngram, "-vocab", f.vocab, "-arpa",
                              f.dir.File("new.arpa"), "-binary", "/dev/full", "-verbosity", "0"});
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("/dev/full"), std::string::npos) << r.err;
  EXPECT_FALSE(lexkit_test::FileExists(f.dir.File("new.arpa")));
  r = lexkit_test::RunShell("ls -A " + f.dir.path() + " | grep '^[.]' || true");
  EXPECT_EQ(r.out, "");  // no hidden temporary left
  // An output that cannot be made is named before any input is read.
  r = RunProgram("buildlex", {"-idngram", f.dir.File("absent"), "-vocab", f.vocab, "-arpa",
                              f.dir.File("nodir/out.arpa")});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "buildlex : Error : cannot write '" + f.dir.File("nodir/out.arpa") +
                       "': No such file or directory\n");
}

}  // namespace
