// Word lists read into arrays and string-to-id tables, and vocabularies
// loaded from word lists or saved tables.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "lexkit/ac_hash.h"
#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/ac_parsetext.h"
#include "lexkit/general.h"
#include "lexkit/sih.h"
#include "libs/io/shell_quote.h"
#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::RunChild;
using lexkit_test::RunShell;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

const std::string kFramedWarningStart =
    "\n\n===========================================================\n"
    ":\nWARNING: line assumed NOT a comment:\n";

std::string CommentWarning(const std::string &line) {
  return kFramedWarningStart + ">>> " + line + " <<<\n" + "         '" + line +
         "' will be included in the vocabulary.\n" +
         "         (comments must start with '##')\n" +
         "===========================================================\n\n";
}

// Both readers' view of a file: "id:word" for each word, the array's view
// first, then the table's, as one line each.
std::string ReadBoth(const std::string &path) {
  char **wlist = nullptr;
  vocab_sz_t n_array = 0, n_table = 0;
  read_wlist_into_array(path.c_str(), 0, &wlist, &n_array);
  sih_t *ht = sih_create(0, 0, 0, 0);
  read_wlist_into_siht(path.c_str(), 0, ht, &n_table);
  std::string array_view, table_view;
  for (vocab_sz_t id = 1; id <= n_array; ++id)
    array_view += std::to_string(id) + ":" + wlist[id] + " ";
  for (vocab_sz_t id = 1; id <= n_array; ++id) {
    vocab_sz_t found = 0;
    sih_lookup(ht, wlist[id], &found);
    table_view += std::to_string(found) + ":" + wlist[id] + " ";
  }
  return array_view + "| " + table_view + "| " + std::to_string(n_table) + " " +
         std::to_string(ht->nentries);
}

TEST(WordList, BothReadersGiveTheSameIds) {
  struct Case {
    std::string text;
    std::string view;  // ReadBoth, "a n_table nentries" at the end
    std::string err;   // the readers' stderr, the table reader's after the array's
  } cases[] = {
      {"## header\na\nb c\n## x\nd\n", "1:a 2:b 3:d | 1:a 2:b 3:d | 3 3", ""},
      // Lines without a token are skipped and take no id.
      {"\na\n   \n\t\nb\n\n", "1:a 2:b | 1:a 2:b | 2 2", ""},
      {"#foo\n##foo\nbar\n", "1:#foo 2:bar | 1:#foo 2:bar | 2 2",
       CommentWarning("#foo\n") + CommentWarning("#foo\n")},
      {"# spaced\n", "1:# | 1:# | 1 1", CommentWarning("# spaced\n") + CommentWarning("# spaced\n")},
      // A repeated word keeps the id of its first line in the table, as in
      // the n-gram pipeline's vocabulary index; its second id stays unused.
      {"a\nb\na\n", "1:a 2:b 3:a | 1:a 2:b 1:a | 3 2", ""},
      {"crlf\r\nnext\r\n", "1:crlf 2:next | 1:crlf 2:next | 2 2", ""},
      {std::string("nul\0hidden\nafter\n", 17), "1:nul 2:after | 1:nul 2:after | 2 2", ""},
  };
  ScratchDir dir;
  for (const Case &c : cases) {
    std::string path = dir.File("list");
    WriteFile(path, c.text);
    ChildResult r = RunChild([&] { printf("%s", ReadBoth(path).c_str()); });
    EXPECT_EQ(r.status, 0) << c.text;
    EXPECT_EQ(r.out, "\n" + c.view) << c.text;  // the table reader's line end first
    EXPECT_EQ(r.err, c.err) << c.text;
  }
}

// Lines of more than 499 bytes are taken in 499-byte pieces by every
// reader, so the word lists and the n-gram pipeline's vocabulary index agree
// on every id.
TEST(WordList, LongLinesGetTheIdsOfTheVocabularyIndex) {
  const std::string w499(499, 'a'), w500(500, 'b');
  const std::string w1000 = std::string(499, 'c') + std::string(501, 'd');
  struct Case {
    std::string text;
    std::string view;  // "id:word" by the array, then by the index
  } cases[] = {
      {w499 + "\n" + w500 + "\nz\n",
       "1:" + w499 + " 2:" + std::string(499, 'b') + " 3:b 4:z"},
      {w1000 + " x\ny\n", "1:" + std::string(499, 'c') + " 2:" + std::string(499, 'd') +
                               " 3:dd 4:y"},
      // A short first word does not make a long line whole.
      {"a " + std::string(600, 'x') + "\nz\n", "1:a 2:" + std::string(103, 'x') + " 3:z"},
      {"h " + std::string(497, 'i') + std::string(524, 'j') + "\n",  // 1023 characters
       "1:h 2:" + std::string(499, 'j') + " 3:" + std::string(25, 'j')},
      // Each piece is a C string of its own.
      {std::string("x\0", 2) + std::string(600, 'y') + "\n", "1:x 2:" + std::string(103, 'y')},
      // The pieces of a long line are lines of their own, even for "##".
      {std::string(1100, ' ') + "far\n" + "q" + std::string(1030, ' ') + "##x\n#h\n",
       "1:far 2:q 3:##x 4:#h"},
  };
  ScratchDir dir;
  const std::string path = dir.File("list");
  for (const Case &c : cases) {
    WriteFile(path, c.text);
    ChildResult r = RunChild([&] {
      char **wlist = nullptr;
      vocab_sz_t n = 0, n_table = 0;
      read_wlist_into_array(path.c_str(), 0, &wlist, &n);
      sih_t *ht = sih_create(0, 0, 0, 0);
      read_wlist_into_siht(path.c_str(), 0, ht, &n_table);
      struct idngram_hash_table index;
      new_idngram_hashtable(&index, 101);
      read_vocab(path.c_str(), 0, &index, 101);
      std::string by_array, by_table, by_index;
      for (vocab_sz_t id = 1; id <= n; ++id) {
        vocab_sz_t found = 0;
        sih_lookup(ht, wlist[id], &found);
        by_array += std::to_string(id) + ":" + wlist[id] + " ";
        by_table += std::to_string(found) + ":" + wlist[id] + " ";
        by_index += std::to_string(index2(&index, wlist[id])) + ":" + wlist[id] + " ";
      }
      printf("%s|%s|%s|%lld %lld", by_array.c_str(), by_table.c_str(), by_index.c_str(),
             static_cast<long long>(n_table),
             static_cast<long long>(count_vocab_entries(path.c_str())));
    });
    const std::string view = c.view + " ";
    const std::string ids = std::to_string(std::count(view.begin(), view.end(), ':'));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n" + view + "|" + view + "|" + view + "|" + ids + " " + ids);
  }
}

TEST(WordList, FiveLineExampleArrayLayout) {
  ScratchDir dir;
  std::string path = dir.File("list");
  WriteFile(path, "## header\na\nb c\n## x\nd\n");
  char **wlist = nullptr;
  vocab_sz_t n = 0;
  read_wlist_into_array(path.c_str(), 0, &wlist, &n);
  ASSERT_EQ(n, 3);
  EXPECT_STREQ(wlist[1], "a");
  EXPECT_STREQ(wlist[2], "b");
  EXPECT_STREQ(wlist[3], "d");
  // Six entries; those past the words are empty.
  EXPECT_EQ(wlist[4], nullptr);
  EXPECT_EQ(wlist[5], nullptr);
}

TEST(WordList, ProgressDotsReportsAndStandardInput) {
  std::string many;
  for (int i = 0; i < 2500; ++i) many += "w" + std::to_string(i) + "\n";
  ScratchDir dir;
  std::string path = dir.File("many.gz");
  ASSERT_EQ(RunShell("gzip > '" + path + "'", many).status, 0);
  struct Case {
    std::string name;  // "-" reads stdin
    int verbosity;
    std::string out, err;
  } cases[] = {
      {path, 0, "..\n", ""},
      {path, 1, "..\n",
       "read_wlist_into_siht: a list of 2500 words was read from \"" + path + "\".\n"},
      {"-", 2, "..\n", "read_wlist_into_siht: a list of 2500 words was read from \"-\".\n"},
  };
  for (const Case &c : cases) {
    ChildResult r = RunChild(
        [&] {
          sih_t *ht = sih_create(0, 0, 0, 0);
          vocab_sz_t n = 0;
          read_wlist_into_siht(c.name.c_str(), c.verbosity, ht, &n);
          vocab_sz_t id = 0;
          if (n != 2500 || !sih_lookup(ht, "w1999", &id) || id != 2000) _exit(3);
        },
        many);
    EXPECT_EQ(r.status, 0) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
  }
  // An empty list still ends its (empty) progress line.
  ChildResult r = RunChild([&] {
    vocab_sz_t n = -1;
    read_wlist_into_siht("-", 0, sih_create(0, 0, 0, 0), &n);
    printf("%lld", static_cast<long long>(n));
  });
  EXPECT_EQ(r.out, "\n0");

  r = RunChild([&] {
    char **wlist;
    vocab_sz_t n;
    read_wlist_into_array(path.c_str(), 1, &wlist, &n);
    printf("%lld %s", static_cast<long long>(n), wlist[2500]);
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "2500 w2499");
  EXPECT_EQ(r.err, "read_wlist_into_array: a list of 2500 words was read from \"" + path +
                       "\".\n");
}

TEST(WordList, ArrayReaderNeedsAFinalLineEnd) {
  ScratchDir dir;
  for (std::string text : {"", "a\nb", "a\n\n##c"}) {
    std::string path = dir.File("list");
    WriteFile(path, text);
    ChildResult r = RunChild([&] {
      char **wlist;
      vocab_sz_t n;
      read_wlist_into_array(path.c_str(), 0, &wlist, &n);
    });
    EXPECT_EQ(r.status, 255) << text;
    EXPECT_EQ(r.err, "read_wlist_into_array: no newline at end of " + path + "\n");
  }
  // The table reader takes the last line as it is.
  std::string path = dir.File("list");
  WriteFile(path, "a\nb");
  sih_t *ht = sih_create(0, 0, 0, 0);
  vocab_sz_t n = 0;
  ChildResult r = RunChild([&] { read_wlist_into_siht(path.c_str(), 0, ht, &n); });
  EXPECT_EQ(r.status, 0);
}

TEST(WordList, ReadErrorsAndMissingFilesEndTheProcess) {
  ScratchDir dir;
  ChildResult r = RunChild([&] {
    char **wlist;
    vocab_sz_t n;
    read_wlist_into_array(dir.path().c_str(), 0, &wlist, &n);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "read_wlist_into_array: could not read " + dir.path() + "\n");
  r = RunChild([&] {
    vocab_sz_t n;
    read_wlist_into_siht(dir.File("none").c_str(), 0, sih_create(0, 0, 0, 0), &n);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "ox_iopen: None of '" + dir.File("none") + "' '" + dir.File("none") +
                       ".Z' or '" + dir.File("none") + ".gz' exist.\n");
}

std::string SavedTableOf(const std::vector<std::pair<std::string, vocab_sz_t>> &entries) {
  sih_t hand = {};
  hand.nslots = 1;
  hand.slots = static_cast<sih_slot_t *>(calloc(1, sizeof(sih_slot_t)));
  for (const auto &[word, id] : entries) sih_add(&hand, salloc(word.c_str()), id);
  ScratchDir dir;
  std::string path = dir.File("t");
  FILE *fp = fopen(path.c_str(), "wb");
  sih_val_write_to_file(&hand, fp, path.c_str(), 0);
  fclose(fp);
  return lexkit_test::ReadFile(path);
}

TEST(ReadVoc, FileNameChoosesSavedTableOrWordList) {
  const std::string table = SavedTableOf({{"x", 1}, {"y", 2}});
  const std::string list = "## vocabulary\na\nb\nc\n";
  struct Case {
    std::string name;
    bool saved_table;
  } cases[] = {
      {"model.vocab_ht", true},  {"vocab_ht", true},
      {"model.vocab", false},    {"vocab_ht.txt", false},
      {"model.vocab_ht.gz", false}, {"model.VOCAB_HT", false},
  };
  for (const Case &c : cases) {
    ScratchDir dir;
    std::string path = dir.File(c.name);
    // Each file holds the other kind too, to see which reader took it.
    std::string content = c.saved_table ? table : list;
    if (lexkit::EndsWith(c.name, ".gz"))
      ASSERT_EQ(RunShell("gzip > '" + path + "'", content).status, 0);
    else
      WriteFile(path, content);
    ChildResult r = RunChild([&] {
      // By the name as given, which has no full stop of a directory in it.
      if (chdir(dir.path().c_str()) != 0) _exit(3);
      sih_t *ht = sih_create(0, 0, 0, 0);
      char **vocab = nullptr;
      vocab_sz_t n = 0;
      read_voc(c.name.c_str(), 0, ht, &vocab, &n);
      for (vocab_sz_t id = 0; id <= n; ++id) printf("%s ", vocab[id]);
      printf("%lld %lld", static_cast<long long>(n), static_cast<long long>(ht->nentries));
    });
    EXPECT_EQ(r.status, 0) << c.name << r.err;
    EXPECT_EQ(r.out, c.saved_table ? "<UNK> x y 2 2" : "\n<UNK> a b c 3 3") << c.name;
  }
  // A word list under a saved-table name is refused as such.
  ScratchDir dir;
  std::string path = dir.File("model.vocab_ht");
  WriteFile(path, list);
  ChildResult r = RunChild([&] { read_voc(path.c_str(), 0, sih_create(0, 0, 0, 0), nullptr, nullptr); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "sih_val_read_from_file: '" + path + "' is not a saved string-to-id table\n");
}

TEST(ReadVoc, SavedTableWrittenAndReadBackThroughGzip) {
  std::string list;
  for (int i = 0; i < 1500; ++i) list += "word" + std::to_string(i * 31) + "\n";
  ScratchDir dir;
  std::string list_path = dir.File("corpus.vocab");
  WriteFile(list_path, list);
  std::string saved = dir.File("corpus.vocab_ht");
  ChildResult r = RunChild([&] {
    sih_t *ht = sih_create(0, 0, 0, 0);
    vocab_sz_t n;
    read_voc(list_path.c_str(), 0, ht, nullptr, &n);
    FILE *fp = ox_oopen((saved + ".gz").c_str());
    sih_val_write_to_file(ht, fp, saved.c_str(), 0);
    ox_oclose(fp);
  });
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_FALSE(lexkit_test::FileExists(saved));

  // Opened by its plain name, read through the decompressor.
  r = RunChild([&] {
    sih_t *ht = sih_create(1, 0, 0, 0);
    char **vocab;
    vocab_sz_t n;
    read_voc(saved.c_str(), 1, ht, &vocab, &n);
    char **words;
    vocab_sz_t n_words;
    read_wlist_into_array(list_path.c_str(), 0, &words, &n_words);
    if (n != 1500 || n_words != 1500) _exit(3);
    for (vocab_sz_t id = 1; id <= n; ++id) {
      vocab_sz_t found = 0;
      if (!sih_lookup(ht, words[id], &found) || found != id) _exit(4);
      if (std::string(vocab[id]) != words[id]) _exit(5);
    }
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "sih_val_read_from_file: 1500 entries were read from \"" + saved +
                       "\".\nget_vocab_fm_ht: vocabulary was constructed from the vocab "
                       "hash table\n");
}

TEST(ReadVoc, WordListReportsAndStandardInputWithoutArray) {
  ScratchDir dir;
  std::string path = dir.File("abc.vocab");
  WriteFile(path, "a\nb\nc\n");
  ChildResult r = RunChild([&] {
    sih_t *ht = sih_create(0, 0, 0, 0);
    char **vocab;
    read_voc(path.c_str(), 1, ht, &vocab, nullptr);
    printf("%s %s", vocab[0], vocab[3]);
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "\n<UNK> c");
  EXPECT_EQ(r.err, "read_wlist_into_siht: a list of 3 words was read from \"" + path +
                       "\".\nread_wlist_into_array: a list of 3 words was read from \"" +
                       path + "\".\n");
  r = RunChild(
      [&] {
        sih_t *ht = sih_create(0, 0, 0, 0);
        vocab_sz_t n = 0, id = 0;
        read_voc("-", 0, ht, nullptr, &n);
        sih_lookup(ht, "b", &id);
        printf("%lld %lld", static_cast<long long>(n), static_cast<long long>(id));
      },
      "a\nb\nc\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "\n3 2");
}

TEST(ReadVoc, TablesThatLackAnIdAreRefused) {
  struct Case {
    std::vector<std::pair<std::string, vocab_sz_t>> entries;
    std::string err;
  } cases[] = {
      {{{"a", 1}, {"b", 3}, {"c", 3}},
       "get_vocab_fm_ht ERROR: the hash table does not contain wordid 2, \n"},
      {{{"a", 2}, {"b", 3}, {"c", 4}},
       "get_vocab_fm_ht ERROR: the hash table does not contain wordid 1, \n"},
      {{{"a", 1}, {"b", 2}, {"c", 1000000}},
       "get_vocab_fm_ht ERROR: the hash table does not contain wordid 3, \n"},
  };
  ScratchDir dir;
  std::string path = dir.File("bad.vocab_ht");
  for (const Case &c : cases) {
    WriteFile(path, SavedTableOf(c.entries));
    ChildResult r = RunChild([&] {
      char **vocab;
      read_voc(path.c_str(), 0, sih_create(0, 0, 0, 0), &vocab, nullptr);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(ReadVoc, SlotValuesAboveTheSizeAreIgnored) {
  sih_t hand = {};
  hand.nslots = 7;
  hand.slots = static_cast<sih_slot_t *>(calloc(7, sizeof(sih_slot_t)));
  sih_add(&hand, salloc("one"), 1);
  sih_add(&hand, salloc("two"), 2);
  sih_add(&hand, salloc("far"), 1LL << 40);
  char **vocab = nullptr;
  get_vocab_from_vocab_ht(&hand, 2, 0, &vocab);
  EXPECT_EQ(vocab[0], nullptr);
  EXPECT_STREQ(vocab[1], "one");
  EXPECT_STREQ(vocab[2], "two");
}

}  // namespace
