// Short indices: positions split into a remainder modulo 65000 and a
// per-level table of the entries where each block begins.
#include <gtest/gtest.h>

#include <vector>

#include "lexkit/ngram.h"

namespace {

TEST(ShortIndices, PositionsInBlockZeroAreTheirOwnShortIndex) {
  std::vector<ptr_tab_t> table(4, -1);
  ptr_tab_sz_t size = 0;
  for (ngram_sz_t pos = 0; pos < 65000; ++pos)
    ASSERT_EQ(new_index(pos, table.data(), &size, pos), pos);
  EXPECT_EQ(size, 1);
  EXPECT_EQ(table[0], 0);
  EXPECT_EQ(table[1], -1);

  // Position 65000 starts block 1 at the entry where it first occurs.
  EXPECT_EQ(new_index(65000, table.data(), &size, 65000), 0u);
  EXPECT_EQ(size, 2);
  EXPECT_EQ(table[1], 65000);
  EXPECT_EQ(get_full_index(0, table.data(), size, 65000), 65000);
  EXPECT_EQ(get_full_index(64999, table.data(), size, 64999), 64999);
}

TEST(ShortIndices, BlockFollowsTheEntryNotThePosition) {
  // Entries whose successors begin at 0, 64999, 65000, 130001, 130002.
  const ngram_sz_t full[] = {0, 64999, 65000, 130001, 130002};
  std::vector<ptr_tab_t> table(4, -1);
  ptr_tab_sz_t size = 0;
  std::vector<index__t> shorts;
  for (ngram_sz_t entry = 0; entry < 5; ++entry)
    shorts.push_back(new_index(full[entry], table.data(), &size, entry));
  EXPECT_EQ(shorts, (std::vector<index__t>{0, 64999, 0, 1, 2}));
  ASSERT_EQ(size, 3);
  EXPECT_EQ((std::vector<ptr_tab_t>(table.begin(), table.begin() + 3)),
            (std::vector<ptr_tab_t>{0, 2, 3}));
  for (int entry = 0; entry < 5; ++entry)
    EXPECT_EQ(get_full_index(shorts[entry], table.data(), size, entry),
              full[entry])
        << entry;
}

TEST(ShortIndices, TableOfThreeBlocksDecodesEveryEntry) {
  ptr_tab_t table[] = {0, 5, 9};
  struct Case {
    int position;
    int block;
  } cases[] = {{0, 0}, {4, 0}, {5, 1}, {8, 1}, {9, 2}, {10, 2}, {100000, 2}};
  for (const Case &c : cases) {
    EXPECT_EQ(get_full_index(17, table, 3, c.position), 17 + c.block * 65000)
        << c.position;
  }
  // A position before the first entry belongs to block 0.
  ptr_tab_t late[] = {3, 7};
  EXPECT_EQ(get_full_index(17, late, 2, 1), 17);
}

TEST(ShortIndices, EmptyTableGivesTheShortIndexBack) {
  EXPECT_EQ(get_full_index(12345, nullptr, 0, 99999), 12345);
  EXPECT_EQ(get_full_index(0, nullptr, 0, 0), 0);
}

}  // namespace
