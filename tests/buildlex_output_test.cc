// What buildlex writes from: the words of its one-pass vocabulary load
// against the array reader's, the packed word table, the memoised float
// text against std::to_chars, and the ARPA model against a writer that
// finds every entry's words and values on its own.
#include <gtest/gtest.h>
#include <string.h>

#include <charconv>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "lexkit/ac_parsetext.h"
#include "lexkit/buildlex.h"
#include "lexkit/sih.h"
#include "liblmest/build/model_build.h"
#include "liblmest/model/float_text.h"
#include "libs/vocabulary/packed_words.h"
#include "model_walk.h"
#include "test_support.h"

using lexkit_test::ReadFile;
using lexkit_test::RunChild;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

buildlex_options Defaults() {
  buildlex_options o;
  buildlex_default_options(&o);
  o.verbosity = 0;
  return o;
}

// The model's words of ids 1..n as "id:word ", its word 0, and after a "|"
// the array reader's words; stderr likewise holds the warnings of each, split by a "|".
lexkit_test::ChildResult BothViews(const std::string &path) {
  return RunChild([&] {
    buildlex_options o = Defaults();
    o.idngram_filename = "unused";
    o.vocab_filename = path.c_str();
    o.arpa_filename = "unused";
    const lexkit::ModelVocabulary vocab = lexkit::LoadModelVocabulary(lexkit::MakeBuildConfig(o));
    std::string view;
    for (vocab_sz_t id = 1; id <= vocab.size; ++id)
      view += std::to_string(id) + ":" + std::string(vocab.words.word(static_cast<uint32_t>(id))) + " ";
    printf("%s<unk>=%s|", view.c_str(), std::string(vocab.words.word(0)).c_str());
    fflush(stdout);
    fprintf(stderr, "|");
    char **words = nullptr;
    vocab_sz_t n = 0;
    read_wlist_into_array(path.c_str(), 0, &words, &n);
    for (vocab_sz_t id = 1; id <= n; ++id) printf("%lld:%s ", static_cast<long long>(id), words[id]);
  });
}

TEST(BuildlexVocabulary, OnePassGivesTheIdsAndWarningsOfTheArrayReader) {
  const std::string cases[] = {
      "## header\na\nb c\n## x\nd\n",
      "\na\n   \n\t\nb\n\n",
      "#foo\n##foo\nbar\n# spaced\n",
      "a\nb\na\n",
      "crlf\r\nnext\r\n",
      std::string("nul\0hidden\nafter\n", 17),
      std::string(499, 'c') + std::string(501, 'd') + " x\ny\n",
      std::string(1100, ' ') + "far\n" + "q" + std::string(1030, ' ') + "##x\n#h\n",
  };
  ScratchDir dir;
  const std::string path = dir.File("list");
  for (const std::string &text : cases) {
    SCOPED_TRACE(text.substr(0, 40));
    WriteFile(path, text);
    const auto r = BothViews(path);
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t unk = r.out.find("<unk>=<unk>|");
    ASSERT_NE(unk, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(0, unk), r.out.substr(unk + 12));
    const size_t err_bar = r.err.find('|');
    EXPECT_EQ(r.err.substr(0, err_bar), r.err.substr(err_bar + 1));  // each warning once
  }
  // A saved table (which the array reader cannot read) gives the words of
  // its ids.
  WriteFile(path, "x\ny\nz\n");
  const std::string saved = dir.File("v.vocab_ht");
  const auto r = RunChild([&] {
    sih_t *table = sih_create(0, 0, 0, 0);
    read_voc(path.c_str(), 0, table, nullptr, nullptr);
    FILE *fp = ox_oopen(saved.c_str());
    sih_val_write_to_file(table, fp, saved.c_str(), 0);
    ox_oclose(fp);
  });
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(BothViews(saved).out.substr(0, 24), "1:x 2:y 3:z <unk>=<unk>|");
}

TEST(PackedWords, GivesEveryWordAndSixteenReadableBytes) {
  std::vector<std::string> words = {"", std::string("\0\xff", 2)};
  for (size_t length = 1; length <= 40; ++length) words.push_back(std::string(length, 'a' + length % 26));
  lexkit::PackedWords table;
  uint64_t bytes = 0;
  for (const std::string &w : words) {
    table.Add(w);
    bytes += w.size();
  }
  ASSERT_EQ(table.size(), words.size());
  EXPECT_EQ(table.text_size(), bytes);
  for (uint32_t id = 0; id < words.size(); ++id) {
    const std::string_view w = table.word(id);
    EXPECT_EQ(w, words[id]) << id;
    char copy[lexkit::PackedWords::kReadable];
    memcpy(copy, w.data(), sizeof copy);  // AddressSanitizer checks the reach
    EXPECT_EQ(memcmp(copy, words[id].data(), std::min(words[id].size(), sizeof copy)), 0);
  }
}

TEST(FloatText, WritesWhatToCharsWrites) {
  std::mt19937 random(7);
  std::vector<float> values = {0.0f, -0.0f, -99.0f, 1e-45f, -3.4028235e38f,
                               std::numeric_limits<float>::infinity(),
                               std::numeric_limits<float>::quiet_NaN()};
  // Arbitrary bit patterns, many more than the memo holds, so that
  // different values meet in one entry; then log-like values, which repeat.
  for (int i = 0; i < 100000; ++i) {
    const uint32_t bits = random();
    float v;
    memcpy(&v, &bits, sizeof v);
    values.push_back(v);
  }
  for (int i = 0; i < 100000; ++i) values.push_back(-static_cast<float>(random() % 3000) / 512);
  lexkit::FloatText text;
  char got[lexkit::FloatText::kRoom], want[lexkit::FloatText::kRoom];
  for (float v : values) {
    const char *end = text.Put(v, got);
    const char *want_end = std::to_chars(want, want + sizeof want, v).ptr;
    ASSERT_EQ(std::string(static_cast<const char *>(got), end),
              std::string(static_cast<const char *>(want), want_end));
  }
}

// An ARPA model built the plain way: each entry's words found by searching
// the levels, each value from the estimator and the tables, each number by
// std::to_chars.
std::string ReferenceArpa(lexkit::ModelBuild &build) {
  const lexkit::ModelTables &t = build.tables();
  const lexkit::PackedWords &words = build.vocab().words;
  auto number = [](float v) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
  };
  auto log10 = [](double p) { return p > 0 ? static_cast<float>(std::log10(p)) : -99.0f; };
  const uint64_t skipped = build.vocab().closed ? 1 : 0;
  std::string arpa = "\n\\data\\\n";
  for (int k = 0; k < t.order(); ++k)
    arpa += "ngram " + std::to_string(k + 1) + "=" + std::to_string(t.size(k) - (k == 0 ? skipped : 0)) + "\n";
  for (int k = 0; k < t.order(); ++k) {
    arpa += "\n\\" + std::to_string(k + 1) + "-grams:\n";
    for (uint64_t i = k == 0 ? skipped : 0; i < t.size(k); ++i) {
      const std::vector<uint32_t> ids = lexkit_test::WordsOf(t, k, i);
      const uint64_t context = k == 0 ? 0 : lexkit_test::Walk(build).Locate({ids.begin(), ids.end() - 1});
      arpa += number(log10(k == 0 ? build.estimator().Unigram(ids[0])
                                  : build.estimator().Probability(k, i, context)));
      for (size_t l = 0; l < ids.size(); ++l) (arpa += l == 0 ? "\t" : " ") += words.word(ids[l]);
      if (k + 1 < t.order()) arpa += "\t" + number(log10(t.alpha(k, i)));
      arpa += "\n";
    }
  }
  return arpa + "\n\\end\\\n";
}

TEST(BuildlexArpa, SameTextAsThePlainWriter) {
  // A text of 2000 words over 40, two of them longer than a word slot, as
  // counted 4-grams.
  std::vector<std::string> vocab = {"<s>"};
  for (int i = 0; i < 38; ++i) vocab.push_back("w" + std::to_string(i));
  vocab.push_back("a-word-longer-than-fifteen-bytes");
  vocab.push_back(std::string(300, 'z'));
  std::mt19937 random(11);
  std::vector<uint32_t> text;
  for (int i = 0; i < 2000; ++i)
    text.push_back(i % 50 == 0 ? 1
                   : random() % 60 == 0 ? 0  // a word outside the vocabulary
                                        : 1 + random() % (random() % 2 ? 8 : vocab.size()));
  std::map<std::vector<uint32_t>, int> grams;
  for (size_t i = 0; i + 4 <= text.size(); ++i) ++grams[{text.begin() + i, text.begin() + i + 4}];
  std::string ids, list;
  for (const auto &[g, c] : grams)
    ids += std::to_string(g[0]) + " " + std::to_string(g[1]) + " " + std::to_string(g[2]) + " " +
           std::to_string(g[3]) + " " + std::to_string(c) + "\n";
  for (const std::string &w : vocab) list += w + "\n";
  ScratchDir dir;
  const std::string idngram = dir.File("t.id4"), vocab_file = dir.File("t.vocab"),
                    cues = dir.File("t.ccs"), arpa = dir.File("t.arpa");
  WriteFile(idngram, ids);
  WriteFile(vocab_file, list);
  WriteFile(cues, "<s>\n");
  for (bool closed : {false, true})
    for (bool four_byte_alphas : {false, true}) {
      SCOPED_TRACE(std::string(closed ? "closed" : "open") + (four_byte_alphas ? ", four-byte" : ""));
      buildlex_options o = Defaults();
      o.idngram_filename = idngram.c_str();
      o.vocab_filename = vocab_file.c_str();
      o.context_cues_filename = cues.c_str();
      o.arpa_filename = arpa.c_str();
      o.n = 4;
      o.ascii_input = 1;
      o.cutoffs[1] = 1;  // some trigram contexts go, with their 4-grams
      o.closed_vocabulary = closed;
      o.four_byte_alphas = four_byte_alphas;
      lexkit::ModelBuild build(lexkit::MakeBuildConfig(o));
      build.Run();
      ASSERT_GT(build.tables().size(3), 200u);
      EXPECT_EQ(ReadFile(arpa), ReferenceArpa(build));
    }
}

}  // namespace

namespace {

// The stages that split a level into parts (the back-off weights, the
// probabilities, the ARPA text) give the same bytes in one part as in
// several, and the text of the plain writer: a 4-gram model whose upper
// levels are large enough for three parts each.
TEST(BuildlexArpa, SameBytesInAnyNumberOfParts) {
  std::mt19937 random(5);
  std::map<std::vector<uint32_t>, int> grams;
  std::vector<uint32_t> window;
  for (int i = 0; i < 240000; ++i) {
    // Mostly common words, so that contexts have many successors too.
    window.push_back(1 + (random() % 4 ? random() % 60 : random() % 3000));
    if (window.size() > 4) window.erase(window.begin());
    if (window.size() == 4) ++grams[window];
  }
  std::string ids, list;
  for (const auto &[g, c] : grams)
    ids += std::to_string(g[0]) + " " + std::to_string(g[1]) + " " + std::to_string(g[2]) + " " +
           std::to_string(g[3]) + " " + std::to_string(c) + "\n";
  for (int w = 1; w <= 3000; ++w) list += "w" + std::to_string(w) + "\n";
  ScratchDir dir;
  const std::string idngram = dir.File("t.id4"), vocab_file = dir.File("t.vocab"),
                    arpa = dir.File("t.arpa");
  WriteFile(idngram, ids);
  WriteFile(vocab_file, list);
  std::string texts[2];
  for (int threads : {1, 3}) {
    setenv("LEXKIT_THREADS", std::to_string(threads).c_str(), 1);
    buildlex_options o = Defaults();
    o.idngram_filename = idngram.c_str();
    o.vocab_filename = vocab_file.c_str();
    o.arpa_filename = arpa.c_str();
    o.n = 4;
    o.ascii_input = 1;
    o.closed_vocabulary = 1;
    lexkit::ModelBuild build(lexkit::MakeBuildConfig(o));
    build.Run();
    ASSERT_GT(build.tables().size(2), 3u << 16);
    texts[threads > 1] = ReadFile(arpa);
    if (threads > 1) {
      EXPECT_EQ(texts[1], ReferenceArpa(build));
    }
  }
  unsetenv("LEXKIT_THREADS");
  EXPECT_TRUE(texts[0] == texts[1]);
}

}  // namespace
