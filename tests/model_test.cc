// The scoring API: ARPA models against hand-computed probabilities and a
// reference scorer, binary models against their ARPA form, and every kind
// of bad file giving a message instead of a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "lexkit/model.h"
#include "liblmest/model/arpa_reader.h"
#include "liblmest/model/binary_model.h"
#include "liblmest/model/model_file.h"
#include "liblmest/model/model_layout.h"
#include "liblmest/model/successor_search.h"
#include "model_files.h"
#include "model_ptr.h"
#include "test_support.h"

using lexkit_test::ReadFile;
using lexkit_test::ReferenceModel;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

using lexkit_test::ModelPtr;

ModelPtr OpenArpaText(const ScratchDir &dir, const std::string &text) {
  const std::string path = dir.File("model.arpa");
  WriteFile(path, text);
  char error[256] = "";
  ModelPtr m(lexkit_model_open_arpa(path.c_str(), error, sizeof error));
  EXPECT_NE(m, nullptr) << error;
  return m;
}

// The message of a failed open, without the path.
std::string ArpaError(const ScratchDir &dir, const std::string &text) {
  const std::string path = dir.File("bad.arpa");
  WriteFile(path, text);
  char error[256] = "";
  ModelPtr m(lexkit_model_open_arpa(path.c_str(), error, sizeof error));
  return m != nullptr ? "(loaded)" : std::string(error).substr(path.size() + 2);
}

std::string BinaryError(const std::string &path) {
  char error[256] = "";
  ModelPtr m(lexkit_model_open_binary(path.c_str(), error, sizeof error));
  return m != nullptr ? "(loaded)" : std::string(error).substr(path.size() + 2);
}

wordid_t Id(const lexkit_model *m, const std::string &word) {
  return lexkit_model_index(m, word.data(), word.size());
}

TEST(Model, HandComputedTrigrams) {
  ScratchDir dir;
  ModelPtr m = OpenArpaText(dir, lexkit_test::kTrigramArpa);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(lexkit_model_order(m.get()), 3);
  EXPECT_EQ(lexkit_model_vocab_size(m.get()), 4u);
  EXPECT_EQ(lexkit_model_is_closed(m.get()), 0);
  const uint64_t counts[] = {0, 5, 4, 2, 0};
  for (int n = 0; n <= 4; ++n) EXPECT_EQ(lexkit_model_ngram_count(m.get(), n), counts[n]);
  const char *words[] = {"<unk>", "a", "b", "<s>", "</s>"};
  for (wordid_t id = 0; id < 5; ++id) {
    EXPECT_STREQ(lexkit_model_word(m.get(), id), words[id]);
    EXPECT_EQ(Id(m.get(), words[id]), id);
  }
  EXPECT_EQ(lexkit_model_word(m.get(), 5), nullptr);
  EXPECT_EQ(Id(m.get(), "zebra"), 0u);
  EXPECT_EQ(Id(m.get(), "a "), 0u);

  struct Case {
    std::vector<wordid_t> context;
    wordid_t word;
    double prob;
    int bo_case;
  } cases[] = {
      {{1, 2}, 1, -0.05, 0},                   // a b a: the trigram
      {{3, 1}, 2, -0.07, 0},                   // <s> a b
      {{1, 2}, 4, -0.1 - 0.15, 4},             // bow(a b) + P(</s> | b): 3-2
      {{2, 1}, 2, -0.05 - 0.2, 4},             // bow(b a) + P(b | a)
      {{2, 2}, 4, -0.15, 8},                   // (b b) unlisted: 3x2
      {{1, 1}, 0, -0.25 - 1.0, 9},             // bow(a) + P(<unk>): 3x2-1
      {{3, 1}, 4, -0.2 - 0.25 - 0.6, 5},       // 3-2-1
      {{}, 1, -0.5, 10},                       // no context: 3x2x1
      {{1}, 2, -0.2, 8},                       // one word of context: 3x2
      {{3}, 3, -0.3 - 99, 9},                  // <s> is never predicted
      {{4, 3, 1, 2}, 1, -0.05, 0},             // only the last two count
      {{0, 2}, 1, -0.3, 8},                    // <unk> b: unlisted context
      {{1, 2}, 77, -0.1 - 0.125 - 1.0, 5},     // an id beyond the vocabulary is <unk>
      {{77, 2}, 4, -0.15, 8},
  };
  for (const Case &c : cases) {
    int bo_case = -1;
    const double p = lexkit_model_prob(m.get(), c.context.data(), c.context.size(), c.word,
                                       &bo_case);
    EXPECT_NEAR(p, c.prob, 1e-6) << c.word;
    EXPECT_EQ(bo_case, c.bo_case) << c.word;
  }
  EXPECT_NEAR(lexkit_model_prob(m.get(), nullptr, 0, 2, nullptr), -0.75, 1e-6);
}

TEST(Model, ClosedVocabulary) {
  ScratchDir dir;
  ModelPtr m = OpenArpaText(dir, lexkit_test::kClosedBigramArpa);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(lexkit_model_is_closed(m.get()), 1);
  EXPECT_EQ(lexkit_model_ngram_count(m.get(), 1), 2u);
  EXPECT_EQ(Id(m.get(), "x"), 1u);
  EXPECT_EQ(Id(m.get(), "zebra"), LEXKIT_NOT_IN_MODEL);
  EXPECT_EQ(Id(m.get(), "<unk>"), LEXKIT_NOT_IN_MODEL);
  int bo_case = -1;
  const wordid_t x = 1, unknown = 0;
  EXPECT_NEAR(lexkit_model_prob(m.get(), &x, 1, 2, &bo_case), -0.1, 1e-6);
  EXPECT_EQ(bo_case, 0);
  EXPECT_NEAR(lexkit_model_prob(m.get(), &x, 1, 1, &bo_case), -0.2 - 0.3, 1e-6);
  EXPECT_EQ(bo_case, 1);
  // The unknown word is not a context the model knows: no weight.
  EXPECT_NEAR(lexkit_model_prob(m.get(), &unknown, 1, 2, &bo_case), -0.4, 1e-6);
  EXPECT_EQ(bo_case, 2);
}

// Every context of up to three words and every word, against the reference
// scorer, for the model as written and shuffled.
TEST(Model, AgreesWithReferenceInAnyOrder) {
  ScratchDir dir;
  for (const char *arpa : {lexkit_test::kTrigramArpa, lexkit_test::kShuffledTrigramArpa}) {
    ModelPtr m = OpenArpaText(dir, arpa);
    ASSERT_NE(m, nullptr);
    const ReferenceModel reference(arpa);
    for (wordid_t c = 0; c < 6 * 6 * 6; ++c) {
      for (wordid_t w = 0; w < 5; ++w) {
        // Context lengths 0..3; the digit 5 stands for no word.
        std::vector<wordid_t> ids;
        std::vector<std::string> words;
        for (wordid_t rest = c; rest != 0; rest /= 6) {
          if (rest % 6 == 5) continue;
          ids.push_back(rest % 6);
          words.push_back(lexkit_model_word(m.get(), rest % 6));
        }
        const double p = lexkit_model_prob(m.get(), ids.data(), ids.size(), w, nullptr);
        EXPECT_NEAR(p, reference.Prob(words, lexkit_model_word(m.get(), w)), 1e-5);
      }
    }
  }
}

TEST(Model, BadArpaFiles) {
  ScratchDir dir;
  const std::string good = lexkit_test::kClosedBigramArpa;
  auto replace = [&](const std::string &from, const std::string &to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  struct Case {
    std::string text, message;
  } cases[] = {
      {"", "is empty"},
      {"some text\n", "no \\data\\ line: not an ARPA model"},
      {replace("ngram 2=1", "ngram 2=2"), "\\data\\ declares 2 2-grams, the section holds 1"},
      {replace("ngram 1=2", "ngram 1=1"), "line 6: more 1-grams than the 1 of \\data\\"},
      {replace("ngram 2=1", "ngram 3=1"), "line 3: \\data\\ gives order 3 after order 1"},
      {replace("ngram 2=1", "ngram 2 1"),
       "line 3: expected 'ngram <order>=<count>' in \\data\\, found 'ngram 2 1'"},
      {replace("ngram 2=1", "ngram 2=99999999"),
       "line 3: the count of 2-grams, 99999999, is more than the file can hold"},
      {replace("-0.1 x y", "-0.1 x"), "line 8: a 2-gram line has 3 fields, this one 2"},
      {replace("-0.1 x y", "-0.1 x y -0.5"), "line 8: a 2-gram line has 3 fields, this one 4"},
      {replace("-0.3 x -0.2", "-0.3"), "line 5: a 1-gram line has 2 or 3 fields, this one 1"},
      {replace("-0.3 x", "-0.3x x"), "line 5: '-0.3x' is not a number"},
      {replace("x -0.2", "x nan"), "line 5: 'nan' is not a number"},
      {replace("-0.1 x y", "-0.1 x z"), "line 8: the word 'z' is not among the 1-grams"},
      {replace("-0.1 x y", "-0.1 <unk> y"),
       "line 8: the word '<unk>' is not among the 1-grams"},
      {replace("\\2-grams:", "\\3-grams:"), "line 7: expected \\2-grams:, found '\\3-grams:'"},
      {replace("\\end\\\n", ""), "the file ends without its \\end\\ line"},
      {replace("\\end\\", "\\3-grams:"), "line 9: expected \\end\\, found '\\3-grams:'"},
      {"\\data\\\nngram 1=2\nngram 2=1\nngram 3=1\n\\1-grams:\n-1 a\n-1 b\n\\2-grams:\n"
       "-1 a b\n\\3-grams:\n-1 b a b\n\\end\\\n",
       "the context of the 3-gram 'b a b' is not among the 2-grams"},
      {"\\data\\\nngram 1=2\nngram 2=2\n\\1-grams:\n-1 a\n-1 b\n\\2-grams:\n"
       "-1 b a\n-1 b a\n\\end\\\n",
       "the 2-gram 'b a' is listed twice"},
      {"\\data\\\nngram 11=1\n", "line 2: order 11 is outside 1..10"},
      {"\\data\\\n\\1-grams:\n", "\\data\\ declares no n-grams"},
  };
  for (const Case &c : cases) EXPECT_EQ(ArpaError(dir, c.text), c.message) << c.text;

  char error[256];
  EXPECT_EQ(lexkit_model_open_arpa(dir.path().c_str(), error, sizeof error), nullptr);
  EXPECT_EQ(std::string(error), dir.path() + ": is a directory");
  const std::string missing = dir.File("missing.arpa");
  EXPECT_EQ(lexkit_model_open_arpa(missing.c_str(), error, sizeof error), nullptr);
  EXPECT_EQ(std::string(error), missing + ": cannot open: No such file or directory");
  EXPECT_EQ(lexkit_model_open_binary(missing.c_str(), error, 8), nullptr);
  EXPECT_EQ(std::string(error), missing.substr(0, 7));  // cut to the buffer
  EXPECT_EQ(lexkit_model_open_arpa(missing.c_str(), nullptr, 0), nullptr);
}

TEST(Model, OneWordModelsAndEmptyLevels) {
  ScratchDir dir;
  ModelPtr unigrams = OpenArpaText(dir, "\\data\\\nngram 1=2\n\\1-grams:\n-0.3 <unk>\n-0.1 a\n\\end\\\n");
  ASSERT_NE(unigrams, nullptr);
  const wordid_t context[] = {1, 1};
  int bo_case = -1;
  EXPECT_NEAR(lexkit_model_prob(unigrams.get(), context, 2, 1, &bo_case), -0.1, 1e-6);
  EXPECT_EQ(bo_case, 0);
  ModelPtr no_trigrams = OpenArpaText(
      dir, "\\data\\\nngram 1=1\nngram 2=0\nngram 3=0\n\\1-grams:\n-0.3 a -0.5\n\\2-grams:\n\\3-grams:\n\\end\\\n");
  ASSERT_NE(no_trigrams, nullptr);
  EXPECT_NEAR(lexkit_model_prob(no_trigrams.get(), context, 2, 1, &bo_case), -0.8, 1e-6);
  EXPECT_EQ(bo_case, 8 + 1);
}

// Writes the model of `arpa` in binary form; returns its path.
std::string SaveBinary(const ScratchDir &dir, const std::string &arpa, const std::string &name) {
  ModelPtr m = OpenArpaText(dir, arpa);
  const std::string path = dir.File(name);
  char error[256] = "";
  EXPECT_EQ(lexkit_model_save_binary(m.get(), path.c_str(), error, sizeof error), 0) << error;
  return path;
}

TEST(Model, BinaryScoresAsArpa) {
  ScratchDir dir;
  for (const char *arpa : {lexkit_test::kTrigramArpa, lexkit_test::kShuffledTrigramArpa,
                           lexkit_test::kClosedBigramArpa}) {
    const std::string path = SaveBinary(dir, arpa, "model.bin");
    ModelPtr text = OpenArpaText(dir, arpa);
    char error[256] = "";
    ModelPtr binary(lexkit_model_open_binary(path.c_str(), error, sizeof error));
    ASSERT_NE(binary, nullptr) << error;
    std::string message;
    const std::unique_ptr<lexkit::model::Model> read =
        lexkit::model::LoadBinary(path.c_str(), &message, lexkit::model::ImageAccess::kRead);
    ASSERT_NE(read, nullptr) << message;
    EXPECT_EQ(lexkit_model_order(binary.get()), lexkit_model_order(text.get()));
    EXPECT_EQ(lexkit_model_is_closed(binary.get()), lexkit_model_is_closed(text.get()));
    const wordid_t v = static_cast<wordid_t>(lexkit_model_vocab_size(text.get()));
    EXPECT_EQ(lexkit_model_vocab_size(binary.get()), v);
    for (int n = 1; n <= 3; ++n)
      EXPECT_EQ(lexkit_model_ngram_count(binary.get(), n), lexkit_model_ngram_count(text.get(), n));
    std::mt19937 random(7);
    std::vector<wordid_t> history;
    for (int i = 0; i < 2000; ++i) {
      const wordid_t w = random() % (v + 1);
      int a_case, b_case;
      const double a = lexkit_model_prob(text.get(), history.data(), history.size(), w, &a_case);
      const double b = lexkit_model_prob(binary.get(), history.data(), history.size(), w, &b_case);
      ASSERT_EQ(a, b);
      ASSERT_EQ(a_case, b_case);
      ASSERT_EQ(read->Predict(history.data(), history.size(), w).log10_prob, b);
      history.push_back(w);
    }
    for (wordid_t id = 0; id <= v; ++id)
      EXPECT_STREQ(lexkit_model_word(binary.get(), id), lexkit_model_word(text.get(), id));
  }
  // A second save over the first replaces it whole and leaves nothing else.
  SaveBinary(dir, lexkit_test::kTrigramArpa, "model.bin");
  EXPECT_EQ(lexkit_test::RunShell("ls -A " + dir.path()).out, "model.arpa\nmodel.bin\n");
}

// A word listed twice (buildlex's vocabulary reader makes one of a line too
// long for it) keeps the id of its first listing, in both forms; the later
// id is the model's all the same. So does <unk>.
TEST(Model, RepeatedWordsKeepTheirFirstId) {
  ScratchDir dir;
  std::string text = lexkit_test::kClosedBigramArpa;
  text.replace(text.find("-0.4 y"), 6, "-0.4 x");
  text.replace(text.find("x y\n"), 3, "x x");
  text.replace(text.find("ngram 1=2"), 9, "ngram 1=4");
  text.replace(text.find("\\2-grams:"), 0, "-0.5 <unk>\n-0.6 <unk>\n");
  ModelPtr arpa = OpenArpaText(dir, text);
  ASSERT_NE(arpa, nullptr);
  const std::string path = SaveBinary(dir, text, "twice.bin");
  ModelPtr binary = lexkit_test::OpenModel(path, true);
  ASSERT_NE(binary, nullptr);
  for (const lexkit_model *m : {arpa.get(), binary.get()}) {
    EXPECT_EQ(lexkit_model_is_closed(m), 0);
    EXPECT_EQ(Id(m, "x"), 1u);
    EXPECT_EQ(Id(m, "<unk>"), 0u);
    ASSERT_EQ(lexkit_model_vocab_size(m), 3u);
    EXPECT_STREQ(lexkit_model_word(m, 2), "x");
    EXPECT_STREQ(lexkit_model_word(m, 3), "<unk>");
    EXPECT_FLOAT_EQ(lexkit_model_prob(m, nullptr, 0, 2, nullptr), -0.4f);
    EXPECT_FLOAT_EQ(lexkit_model_prob(m, nullptr, 0, 0, nullptr), -0.5f);
  }
}

TEST(Model, SaveFailures) {
  ScratchDir dir;
  ModelPtr m = OpenArpaText(dir, lexkit_test::kTrigramArpa);
  char error[256];
  const std::string path = dir.File("no/such/dir/model.bin");
  EXPECT_EQ(lexkit_model_save_binary(m.get(), path.c_str(), error, sizeof error), -1);
  EXPECT_EQ(std::string(error), path + ": cannot create: No such file or directory");
  EXPECT_EQ(lexkit_model_save_binary(m.get(), "/dev/full", error, sizeof error), -1);
  EXPECT_EQ(std::string(error), "/dev/full: cannot write: No space left on device");
  // As every named output: a link is followed and stays a link, and a
  // failed save leaves no temporary file.
  const std::string link = dir.File("link.bin");
  ASSERT_EQ(symlink("model.bin", link.c_str()), 0);
  EXPECT_EQ(lexkit_model_save_binary(m.get(), link.c_str(), error, sizeof error), 0) << error;
  EXPECT_EQ(lexkit_test::RunShell("ls -AF " + dir.path()).out, "link.bin@\nmodel.arpa\nmodel.bin\n");
}

TEST(Model, RandomModelsAgreeWithReference) {
  ScratchDir dir;
  for (int order = 1; order <= 4; ++order) {
    const std::string arpa = lexkit_test::RandomArpa(order, 40, order, 300);
    ModelPtr text = OpenArpaText(dir, arpa);
    ASSERT_NE(text, nullptr);
    const std::string path = SaveBinary(dir, arpa, "random.bin");
    char error[256] = "";
    ModelPtr binary(lexkit_model_open_binary(path.c_str(), error, sizeof error));
    ASSERT_NE(binary, nullptr) << error;
    const ReferenceModel reference(arpa);
    std::mt19937 random(order);
    std::vector<wordid_t> history;
    std::vector<std::string> words;
    for (int i = 0; i < 3000; ++i) {
      const wordid_t w = random() % 41;
      const double p = lexkit_model_prob(binary.get(), history.data(), history.size(), w, nullptr);
      ASSERT_EQ(p, lexkit_model_prob(text.get(), history.data(), history.size(), w, nullptr));
      const std::string word = lexkit_model_word(text.get(), w);
      ASSERT_NEAR(p, reference.Prob(words, word), 1e-4);
      history.push_back(w);
      words.push_back(word);
    }
  }
}

// Runs of every length from 0 to 300 and a few of thousands, each a random
// ascending set of ids, searched for every id through the samples, against
// std::lower_bound.
TEST(Model, SuccessorSearch) {
  namespace lm = lexkit::model;
  constexpr uint32_t kVocab = 5000;
  std::mt19937 random(5);
  std::vector<uint32_t> ids, starts = {0};
  for (uint32_t length : {0u, 1u, 2u, 1000u, 4999u, 3u}) {
    for (uint32_t l = length; l <= (length == 0 ? 300u : length); ++l) {
      std::vector<uint32_t> all(kVocab);
      std::iota(all.begin(), all.end(), 0u);
      std::shuffle(all.begin(), all.end(), random);
      all.resize(l);
      std::sort(all.begin(), all.end());
      ids.insert(ids.end(), all.begin(), all.end());
      starts.push_back(static_cast<uint32_t>(ids.size()));
    }
  }
  const std::vector<uint32_t> samples = lm::SampleIds(ids.data(), static_cast<uint32_t>(ids.size()));
  for (size_t g = 0; g + 1 < starts.size(); ++g) {
    for (uint32_t id = 0; id <= kVocab; id += (starts[g + 1] - starts[g] > 1000 ? 1 : 7)) {
      uint32_t lo = starts[g], hi = starts[g + 1];
      lm::NarrowToBlock(samples.data(), id, &lo, &hi);
      ASSERT_LE(hi - lo, 2 * lm::kSampleStride);
      const uint32_t *begin = ids.data() + starts[g], *end = ids.data() + starts[g + 1];
      const uint32_t *at = std::lower_bound(begin, end, id);
      const uint32_t want = at != end && *at == id ? static_cast<uint32_t>(at - ids.data()) : lm::kAbsent;
      ASSERT_EQ(lm::FindInBlock(ids.data(), lo, hi, id), want) << g << " " << id;
    }
  }
}

namespace mf = lexkit::model_file;

// A saved binary model whose bytes a test may change.
struct BinaryImage {
  std::string bytes;
  mf::ModelFileHeader header;

  explicit BinaryImage(const std::string &path) : bytes(ReadFile(path)) {
    memcpy(&header, bytes.data(), sizeof header);
  }
  template <typename T>
  T *Section(uint32_t s) {
    return reinterpret_cast<T *>(&bytes[header.sections[s].offset]);
  }
  template <typename T>
  T *Level(uint32_t k, uint32_t part) {
    return Section<T>(mf::kFirstLevelSection + k * mf::kSectionsPerLevel + part);
  }
};

TEST(Model, BadBinaryFiles) {
  ScratchDir dir;
  const std::string good = SaveBinary(dir, lexkit_test::kTrigramArpa, "good.bin");
  const std::string bad = dir.File("bad.bin");
  struct Case {
    std::function<void(BinaryImage *)> change;
    std::string message;
  } cases[] = {
      {[](BinaryImage *b) { b->bytes = lexkit_test::kTrigramArpa; }, "not a lexkit binary model"},
      {[](BinaryImage *b) { b->bytes.resize(100); }, "truncated: 100 bytes, shorter than the header"},
      {[](BinaryImage *b) { b->bytes.pop_back(); },
       "truncated: " + std::to_string(ReadFile(good).size() - 1) + " of " +
           std::to_string(ReadFile(good).size()) + " bytes"},
      {[](BinaryImage *b) { b->bytes += std::string(8, '\0'); }, "corrupt: 8 bytes after the model's end"},
      {[](BinaryImage *b) {
         reinterpret_cast<mf::ModelFileHeader *>(&b->bytes[0])->version = mf::kFormatVersion - 1;
       },
       "format version " + std::to_string(mf::kFormatVersion - 1) + "; this library reads version " +
           std::to_string(mf::kFormatVersion)},
      {[](BinaryImage *b) {
         reinterpret_cast<mf::ModelFileHeader *>(&b->bytes[0])->byte_order = 0x04030201u;
       },
       "written on a machine of the other byte order"},
      {[](BinaryImage *b) { reinterpret_cast<mf::ModelFileHeader *>(&b->bytes[0])->counts[2] = 3; },
       "corrupt header"},
      {[](BinaryImage *b) { reinterpret_cast<mf::ModelFileHeader *>(&b->bytes[0])->flags = 6; },
       "corrupt header"},
      {[](BinaryImage *b) { b->Section<char>(mf::kVocabText)[5] = 'x'; },
       "word 0 of the vocabulary is not one NUL-ended string"},
      {[](BinaryImage *b) { b->Section<char>(mf::kVocabText)[1] = 'U'; },
       "word 0 of the vocabulary is not <unk>"},
      {[](BinaryImage *b) { b->Section<uint64_t>(mf::kVocabOffsets)[2] = 1u << 20; },
       "the vocabulary offset of word 2 is out of order"},
      {[](BinaryImage *b) { b->Section<uint64_t>(mf::kVocabOffsets)[5] = 0; },
       "its vocabulary offsets do not frame the vocabulary text"},
      {[](BinaryImage *b) { b->Level<uint32_t>(0, mf::kLevelNext)[3] = 0; },
       "the successor ranges of level 1 go backwards at entry 2"},
      {[](BinaryImage *b) { b->Level<uint32_t>(0, mf::kLevelNext)[1] = 100; },
       "the successor ranges of level 1 go beyond level 2"},
      {[](BinaryImage *b) { b->Level<uint32_t>(0, mf::kLevelNext)[5] = 5; },
       "the successor ranges of level 1 do not cover level 2"},
      {[](BinaryImage *b) { b->Level<uint32_t>(1, mf::kLevelNext)[0] = 1; },
       "the successor ranges of level 2 do not cover level 3"},
      {[](BinaryImage *b) { b->Level<uint32_t>(1, mf::kLevelWords)[3] = 5; },
       "level 2 holds a word id beyond the vocabulary"},
      {[](BinaryImage *b) {  // b's successors: a (1), </s> (4)
         std::swap(b->Level<uint32_t>(1, mf::kLevelWords)[1], b->Level<uint32_t>(1, mf::kLevelWords)[2]);
       },
       "the words of level 2 are not sorted in group 2"},
  };
  for (const Case &c : cases) {
    BinaryImage image(good);
    c.change(&image);
    WriteFile(bad, image.bytes);
    EXPECT_EQ(BinaryError(bad), c.message);
  }
  WriteFile(bad, "");
  EXPECT_EQ(BinaryError(bad), "is empty");
  EXPECT_EQ(BinaryError(dir.path()), "is a directory");
  EXPECT_EQ(BinaryError("/dev/null"), "is not a regular file");
}

// The model builder writes its method text ("name value" lines) without a
// NUL: such a file loads and scores as the same model without the text.
TEST(Model, MethodTextWithoutNul) {
  ScratchDir dir;
  const std::string arpa = dir.File("m.arpa"), with = dir.File("with.bin");
  WriteFile(arpa, lexkit_test::kTrigramArpa);
  std::string error;
  std::unique_ptr<lexkit::model::Model> m = lexkit::model::ReadArpa(arpa.c_str(), &error);
  ASSERT_NE(m, nullptr) << error;
  const std::string method = "method witten_bell\n";
  const mf::ModelFileHeader &h = m->header();
  mf::ModelFileHeader header;
  ASSERT_TRUE(mf::MakeHeader(h.order, h.vocab_size, h.counts, h.sections[mf::kVocabText].size,
                             method.size(), h.flags, &header));
  FILE *fp = fopen(with.c_str(), "wb");
  mf::ModelFileWriter writer(fp, with.c_str(), header);
  for (uint32_t s = 0; s < mf::kNumSections; ++s) {
    if (s == mf::kMethodText) writer.Append(s, method.data(), method.size());
    if (header.sections[s].size > 0 && s != mf::kMethodText)
      writer.Append(s, m->section(s), header.sections[s].size);
  }
  EXPECT_TRUE(writer.Finish());
  fclose(fp);
  char message[256] = "";
  ModelPtr loaded(lexkit_model_open_binary(with.c_str(), message, sizeof message));
  ASSERT_NE(loaded, nullptr) << message;
  const wordid_t context[] = {1, 2};
  EXPECT_NEAR(lexkit_model_prob(loaded.get(), context, 2, 1, nullptr), -0.05, 1e-6);
}

// Cut at every eighth of its length, or with any byte changed, a binary
// model is refused or, where the change leaves it valid, scores within its
// bounds (the sanitizers watch every access).
TEST(Model, DamagedBinaryFilesNeverCrash) {
  ScratchDir dir;
  const std::string path = SaveBinary(dir, lexkit_test::RandomArpa(3, 30, 3, 200), "random.bin");
  const std::string good = ReadFile(path);
  const std::string bad = dir.File("bad.bin");
  for (int eighth = 0; eighth < 8; ++eighth) {
    WriteFile(bad, good.substr(0, good.size() * eighth / 8));
    const std::string message = BinaryError(bad);
    EXPECT_TRUE(message == "is empty" || message.rfind("truncated: ", 0) == 0) << message;
    std::string read;  // the same from a file read into memory
    EXPECT_EQ(lexkit::model::LoadBinary(bad.c_str(), &read, lexkit::model::ImageAccess::kRead), nullptr);
    EXPECT_EQ(read, message);
  }
  std::mt19937 random(11);
  int loaded = 0;
  for (int i = 0; i < 200; ++i) {
    std::string bytes = good;
    bytes[random() % bytes.size()] ^= static_cast<char>(1 + random() % 255);
    WriteFile(bad, bytes);
    char error[256];
    ModelPtr m(lexkit_model_open_binary(bad.c_str(), error, sizeof error));
    if (m == nullptr) continue;
    ++loaded;
    const wordid_t v = static_cast<wordid_t>(lexkit_model_vocab_size(m.get()));
    std::vector<wordid_t> history;
    for (int w = 0; w < 200; ++w) {
      history.push_back(random() % (v + 2));
      lexkit_model_prob(m.get(), history.data(), history.size(), random() % (v + 2), nullptr);
    }
  }
  EXPECT_GT(loaded, 0);  // changes of probabilities are not errors
}

}  // namespace
