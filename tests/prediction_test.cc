// The ways to the same prediction: the C API's call with its per-thread
// memo of the last context, a fresh search of every context, the context
// state carried word by word, and a text scored in runs; and the word
// table placed in chunks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "lexkit/model.h"
#include "liblmest/model/arpa_reader.h"
#include "liblmest/model/model_handle.h"
#include "liblmest/model/word_table.h"
#include "model_files.h"
#include "model_ptr.h"
#include "test_support.h"

namespace {

namespace lm = lexkit::model;
using lexkit_test::ModelPtr;
using lexkit_test::ScratchDir;

ModelPtr OpenArpa(const ScratchDir &dir, const std::string &name, const std::string &text) {
  const std::string path = dir.File(name);
  lexkit_test::WriteFile(path, text);
  return lexkit_test::OpenModel(path, false);
}

void ExpectSame(const lm::Prediction &a, const lm::Prediction &b, const std::string &where) {
  EXPECT_EQ(a.log10_prob, b.log10_prob) << where;
  EXPECT_EQ(a.bo_case, b.bo_case) << where;
  EXPECT_EQ(a.order_found, b.order_found) << where;
}

// Two models scored in turn, with contexts that go on from the last call,
// shrink, grow, jump elsewhere or hold ids beyond the vocabulary: the
// memo's answers are those of a fresh search. A model opened after another
// was closed (likely at its address) is not mistaken for it.
TEST(Prediction, MemoAgreesWithFreshSearch) {
  ScratchDir dir;
  ModelPtr models[] = {OpenArpa(dir, "a.arpa", lexkit_test::RandomArpa(3, 12, 4, 150)),
                       OpenArpa(dir, "b.arpa", lexkit_test::RandomArpa(4, 12, 3, 150))};
  std::mt19937 random(9);
  std::vector<wordid_t> text[2];
  for (int i = 0; i < 4000; ++i) {
    const int k = random() % 3 == 0 ? 1 : 0;
    std::vector<wordid_t> &t = text[k];
    switch (random() % 8) {
      case 0: t.clear(); break;                                  // a new text
      case 1: if (!t.empty()) t.pop_back(); break;               // a shorter context
      case 2: t.push_back(LEXKIT_NOT_IN_MODEL); break;           // beyond the vocabulary
      default: break;                                            // going on
    }
    // The context in an array of its own, its oldest word at times not the
    // text's.
    const size_t length = random() % 4 == 0 && !t.empty() ? random() % t.size() : t.size();
    std::vector<wordid_t> context(t.end() - length, t.end());
    if (!context.empty() && random() % 4 == 0) context[0] = random() % 13;
    const wordid_t word = random() % 14;
    const lm::Model &m = *models[k]->model;
    int bo_case = -1;
    const double p = lexkit_model_prob(models[k].get(), context.data(), length, word, &bo_case);
    const lm::Prediction fresh = m.Predict(context.data(), length, word);
    ASSERT_EQ(p, fresh.log10_prob) << i;
    ASSERT_EQ(bo_case, fresh.bo_case) << i;
    t.push_back(word);
  }
  const std::vector<wordid_t> context = {1, 2, 3};
  lexkit_model_prob(models[0].get(), context.data(), 3, 4, nullptr);
  models[0].reset();
  ModelPtr other = OpenArpa(dir, "c.arpa", lexkit_test::RandomArpa(5, 12, 4, 150));
  const std::vector<wordid_t> next = {2, 3, 4};
  for (wordid_t w = 0; w < 13; ++w)
    EXPECT_EQ(lexkit_model_prob(other.get(), next.data(), 3, w, nullptr),
              other->model->Predict(next.data(), 3, w).log10_prob);
}

// A text of random words (ids beyond the vocabulary among them), each
// predicted after a random part of its context, scored in runs of any
// length as Score gives it word by word; for open and closed models.
TEST(Prediction, TextInRunsAsWordByWord) {
  ScratchDir dir;
  for (const std::string &arpa :
       {lexkit_test::RandomArpa(7, 10, 4, 200), std::string(lexkit_test::kClosedBigramArpa)}) {
    std::string error;
    lexkit_test::WriteFile(dir.File("m.arpa"), arpa);
    const std::unique_ptr<lm::Model> m = lm::ReadArpa(dir.File("m.arpa").c_str(), &error);
    ASSERT_NE(m, nullptr) << error;
    std::mt19937 random(13);
    std::vector<uint32_t> ids(500), usable(500);
    lm::ContextState state;
    std::vector<lm::Prediction> expected;
    for (size_t i = 0; i < ids.size(); ++i) {
      ids[i] = random() % 12;
      usable[i] = state.length == 0 ? 0 : random() % (state.length + 1);
      expected.push_back(m->Score(state, usable[i], ids[i], &state));
    }
    std::vector<lm::Prediction> got(ids.size());
    lm::ContextState runs;
    for (size_t start = 0, i = 0; start < ids.size(); start += (i++ % 3 == 0 ? 1 : 97)) {
      const size_t n = std::min<size_t>(i % 3 == 0 ? 1 : 97, ids.size() - start);
      m->ScoreText(&runs, ids.data() + start, usable.data() + start, n, got.data() + start);
    }
    for (size_t i = 0; i < ids.size(); ++i) ExpectSame(got[i], expected[i], std::to_string(i));
    EXPECT_EQ(runs.length, state.length);
    for (uint32_t k = 0; k < state.length; ++k) EXPECT_EQ(runs.nodes[k], state.nodes[k]);
  }
}

// A vocabulary of several chunks, with words listed twice within a chunk
// and across chunks: each keeps its first id, and a batch of lookups gives
// what lookups one by one give.
TEST(Prediction, WordTableInChunks) {
  std::vector<std::string> vocab;
  for (int i = 0; i < 300; ++i) vocab.push_back("w" + std::to_string(i));
  vocab[70] = vocab[69];
  vocab[250] = vocab[10];
  std::string text;
  std::vector<uint64_t> offsets;
  for (const std::string &w : vocab) {
    offsets.push_back(text.size());
    text += w + '\0';
  }
  offsets.push_back(text.size());
  lm::WordTable table;
  table.Build(text.data(), offsets.data(), 1, 299);
  std::vector<std::string_view> words = {"w0", "w1", "w69", "w10", "w299", "w300", "w70", ""};
  const uint32_t want[] = {lm::WordTable::kAbsent, 1, 69, 10, 299, lm::WordTable::kAbsent,
                           lm::WordTable::kAbsent, lm::WordTable::kAbsent};
  std::vector<uint32_t> batch(words.size());
  table.FindBatch(words.data(), words.size(), batch.data());
  for (size_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(table.Find(words[i]), want[i]) << words[i];
    EXPECT_EQ(batch[i], want[i]) << words[i];
  }
}

}  // namespace
