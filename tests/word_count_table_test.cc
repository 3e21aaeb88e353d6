// The chained word count table (hash, nearest_prime, update, print) and the
// open-addressing table that countlex_impl counts with.
#include <gtest/gtest.h>
#include <stdio.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "lexkit/ac_hash.h"
#include "libs/counting/word_count_table.h"
#include "test_support.h"

using lexkit_test::RunChild;

namespace {

std::string PrintToString(struct hash_table *table) {
  FILE *fp = tmpfile();
  print(fp, table);
  std::string text(static_cast<size_t>(ftell(fp)), '\0');
  rewind(fp);
  size_t got = fread(&text[0], 1, text.size(), fp);
  text.resize(got);
  fclose(fp);
  return text;
}

TEST(ChainHash, GivesTheDocumentedIndexes) {
  struct Case {
    const char *word;
    int M, index;
  } cases[] = {
      {"abc", 1000003, 403683}, {"the", 1000003, 481893},
      {"cat", 1000003, 411828}, {"\xE9", 1000003, 954391},
      {"a", 7, 6},              {"", 7, 0},
      {"", 1000003, 0},         {"anything", 1, 0},
      // 0xFF adds 2^32 - 1: (0 * 64 + 4294967295) mod 11 = 3.
      {"\xFF", 11, 3},
      // The product wraps modulo 2^32 before the reduction.
      {"zzzzzzzz", 2147483647, 2079313723},
  };
  for (const Case &c : cases)
    EXPECT_EQ(hash(c.word, c.M), c.index) << c.word << " mod " << c.M;
}

TEST(NearestPrime, SmallestOddPrimeNotBelowOrOddForSmallValues) {
  struct Case {
    int num, prime;
  } cases[] = {{1000000, 1000003}, {1000, 1009}, {100, 101}, {8, 11},
               {9, 11},            {7, 7},       {2, 3},     {0, 1},
               {1, 1},             {10, 11},     {25, 29},   {-4, -3},
               {-3, -3},           {2147483646, 2147483647}};
  for (const Case &c : cases) EXPECT_EQ(nearest_prime(c.num), c.prime) << c.num;
}

TEST(ChainedTable, KeepsEachChainInStrcmpOrder) {
  struct hash_table one;
  new_hashtable(&one, 1);
  for (const char *w : {"b", "a", "c", "a"}) update(&one, w, 2);
  EXPECT_EQ(PrintToString(&one), "a 2\nb 1\nc 1\n");
  EXPECT_STREQ(one.chain[0]->word, "HEAD_NODE");

  struct hash_table empty;
  new_hashtable(&empty, 11);
  EXPECT_EQ(PrintToString(&empty), "");

  // Letter case and bytes above 0x7F (unsigned in strcmp) make new words.
  struct hash_table mixed;
  new_hashtable(&mixed, 1);
  for (const char *w : {"the", "The", "\xE9t\xE9", "the", "end."}) update(&mixed, w, 2);
  EXPECT_EQ(PrintToString(&mixed), "The 1\nend. 1\nthe 2\n\xE9t\xE9 1\n");
}

TEST(ChainedTable, UpdateChainTellsWhetherTheWordWasThere) {
  struct node *head = new_node("HEAD_NODE");
  head->next = nullptr;
  EXPECT_EQ(update_chain(head, "m"), 0);
  EXPECT_EQ(update_chain(head, "z"), 0);
  EXPECT_EQ(update_chain(head, "a"), 0);
  EXPECT_EQ(update_chain(head, "m"), 1);
  std::vector<std::pair<std::string, int>> chain;
  for (struct node *x = head->next; x; x = x->next) chain.emplace_back(x->word, x->count);
  EXPECT_EQ(chain, (std::vector<std::pair<std::string, int>>{
                       {"a", 1}, {"m", 2}, {"z", 1}}));
}

TEST(ChainedTable, TableWithoutChainsWarnsAndCountsNothing) {
  struct Case {
    int size, verbosity;
    const char *err;
  } cases[] = {
      {0, 1, "WARNING : invalid hash address.\nword ignored\n"},
      {-3, 2, "WARNING : invalid hash address.\nword ignored\n"},
      {0, 0, ""},
  };
  for (const Case &c : cases) {
    auto r = RunChild([&] {
      struct hash_table table;
      new_hashtable(&table, c.size);
      update(&table, "word", c.verbosity);
      print(stdout, &table);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err) << c.size << " " << c.verbosity;
  }
}

TEST(WordCountTable, CountsLikeAMapAcrossGrowthAndWordLengths) {
  // Lengths around the inline limit (8) and the hash's 16-byte steps.
  std::mt19937 rng(11);
  std::vector<std::string> vocabulary;
  for (int i = 0; i < 20000; ++i) {
    size_t len = 1 + rng() % (i % 50 == 0 ? 500 : 20);
    std::string w;
    for (size_t k = 0; k < len; ++k) w += static_cast<char>(1 + rng() % 255);
    vocabulary.push_back(w);
  }
  lexkit::WordCountTable table;
  std::map<std::string, uint32_t> expected;
  for (int i = 0; i < 100000; ++i) {
    const std::string &w = vocabulary[rng() % vocabulary.size()];
    std::string padded = w + std::string(16, 'P');  // readable bytes past the end
    table.Add(padded.data(), w.size(), lexkit::WordCountTable::Hash(padded.data(), w.size()));
    ++expected[w];
  }
  std::map<std::string, uint32_t> counted;
  for (size_t i = 0; i < table.capacity(); ++i) {
    const auto &slot = table.slot(i);
    if (lexkit::WordCountTable::Occupied(slot))
      counted[std::string(lexkit::WordCountTable::Word(slot))] = slot.count;
  }
  EXPECT_EQ(table.size(), expected.size());
  EXPECT_EQ(counted, expected);
}

}  // namespace
