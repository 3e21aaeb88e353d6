// The string-to-id table: hand-built and created tables, updates, and the
// saved-table file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lexkit/general.h"
#include "lexkit/sih.h"
#include "test_support.h"

using lexkit_test::ChildResult;
using lexkit_test::Fixed32;
using lexkit_test::Fixed64;
using lexkit_test::ReadFile;
using lexkit_test::RunChild;
using lexkit_test::ScratchDir;
using lexkit_test::WriteFile;

namespace {

// The bytes of a saved table holding `entries`, claiming `count` entries.
std::string SavedTable(const std::vector<std::pair<std::string, int64_t>> &entries,
                       uint64_t count, uint32_t version = 1) {
  std::string out = "LXSIHTBL" + Fixed32(version) + Fixed64(count);
  for (const auto &[key, id] : entries)
    out += Fixed32(key.size()) + key + Fixed64(static_cast<uint64_t>(id));
  return out;
}

std::string SavedTable(const std::vector<std::pair<std::string, int64_t>> &entries) {
  return SavedTable(entries, entries.size());
}

// Checks that the slots hold exactly ids 1..n, each once, under its key.
void ExpectHoldsIds(sih_t *ht, const std::vector<std::string> &keys) {
  ASSERT_EQ(ht->nentries, static_cast<vocab_sz_t>(keys.size()));
  std::vector<int> seen(keys.size() + 1, 0);
  for (vocab_sz_t i = 0; i < ht->nslots; ++i) {
    vocab_sz_t id = ht->slots[i].intval;
    if (id <= 0) continue;
    ASSERT_LE(id, static_cast<vocab_sz_t>(keys.size()));
    EXPECT_EQ(keys[id - 1], ht->slots[i].string);
    ++seen[id];
  }
  for (size_t id = 1; id <= keys.size(); ++id) EXPECT_EQ(seen[id], 1) << id;
  for (size_t id = 1; id <= keys.size(); ++id) {
    vocab_sz_t value = -7;
    ASSERT_TRUE(sih_lookup(ht, keys[id - 1].c_str(), &value)) << keys[id - 1];
    EXPECT_EQ(value, static_cast<vocab_sz_t>(id));
  }
}

std::vector<std::string> Words(int n, const std::string &prefix = "w") {
  std::vector<std::string> words;
  for (int i = 0; i < n; ++i) words.push_back(prefix + std::to_string(i * 7919));
  return words;
}

TEST(Sih, HandBuiltAndCreatedTablesGrowAndFindEveryKey) {
  struct Case {
    vocab_sz_t nslots;
    double max_occupancy, growth_ratio;
    bool hand_built;
  } cases[] = {
      {1, 0, 0, true},    {3, 0, 0, true},      {7, 0, 0, true},
      {7, 1.0, 1.0, true}, {5, 0.99, 1.01, true}, {2, -3, 1e9, true},
      {0, 0, 0, false},   {1, 0.3, 3, false},   {1000, 0.9, 1.5, false},
  };
  const std::vector<std::string> keys = Words(3000);
  for (const Case &c : cases) {
    sih_t hand = {};
    sih_t *ht = &hand;
    if (c.hand_built) {
      hand.max_occupancy = c.max_occupancy;
      hand.growth_ratio = c.growth_ratio;
      hand.nslots = c.nslots;
      hand.slots = static_cast<sih_slot_t *>(calloc(c.nslots, sizeof(sih_slot_t)));
    } else {
      ht = sih_create(c.nslots, c.max_occupancy, c.growth_ratio, 0);
    }
    vocab_sz_t untouched = -7;
    EXPECT_FALSE(sih_lookup(ht, "w0", &untouched));
    EXPECT_EQ(untouched, -7);
    for (size_t i = 0; i < keys.size(); ++i) {
      sih_add(ht, salloc(keys[i].c_str()), static_cast<vocab_sz_t>(i + 1));
      ASSERT_GT(ht->nslots, ht->nentries);
    }
    ExpectHoldsIds(ht, keys);
    EXPECT_FALSE(sih_lookup(ht, "never added", &untouched));
    EXPECT_FALSE(sih_lookup(ht, "", &untouched));
    EXPECT_EQ(untouched, -7);
  }
}

TEST(Sih, AddingAnExistingKeyUpdatesItsValue) {
  for (int warn : {0, 1}) {
    ChildResult r = RunChild([&] {
      sih_t *ht = sih_create(3, 0, 0, warn);
      sih_add(ht, salloc("the"), 1);
      sih_add(ht, salloc("of"), 2);
      sih_add(ht, salloc("the"), 5);
      sih_add(ht, salloc("of"), 2);  // same value: nothing to say
      vocab_sz_t id = 0;
      sih_lookup(ht, "the", &id);
      printf("%lld %lld", static_cast<long long>(id),
             static_cast<long long>(ht->nentries));
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "5 2");
    EXPECT_EQ(r.err, warn ? "sih_add: warning: the id of 'the' changes from 1 to 5\n" : "");
  }
}

TEST(Sih, IdsThatCannotBeStoredAreRefused) {
  for (vocab_sz_t id : {0, -1}) {
    ChildResult r = RunChild([&] {
      sih_add(sih_create(0, 0, 0, 0), salloc("w"), id);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "sih_add: cannot store 'w' with the id " + std::to_string(id) +
                         "; ids must be positive\n");
  }
}

TEST(Sih, SavedTableLayoutAndRoundTrip) {
  ScratchDir dir;
  // Written in id order whatever the slots' order.
  sih_t *ht = sih_create(2, 0, 0, 0);
  sih_add(ht, salloc("zebra"), 2);
  sih_add(ht, salloc("a"), 1);
  sih_add(ht, salloc("\xc3\xa9t\xc3\xa9"), 3);
  std::string path = dir.File("t.vocab_ht");
  FILE *fp = fopen(path.c_str(), "wb");
  sih_val_write_to_file(ht, fp, path.c_str(), 0);
  fclose(fp);
  EXPECT_EQ(ReadFile(path),
            SavedTable({{"a", 1}, {"zebra", 2}, {"\xc3\xa9t\xc3\xa9", 3}}));

  // A larger table, through gzip and back, with the reports.
  const std::vector<std::string> keys = Words(5000, "k");
  for (const std::string name : {"big.vocab_ht", "big.vocab_ht.gz"}) {
    std::string big = dir.File(name);
    ChildResult r = RunChild([&] {
      sih_t *out = sih_create(0, 0, 0, 0);
      for (size_t i = 0; i < keys.size(); ++i)
        sih_add(out, salloc(keys[i].c_str()), static_cast<vocab_sz_t>(i + 1));
      FILE *w = ox_oopen(big.c_str());
      sih_val_write_to_file(out, w, big.c_str(), 1);
      ox_oclose(w);
      sih_t in = {};
      in.nslots = 3;
      in.slots = static_cast<sih_slot_t *>(calloc(3, sizeof(sih_slot_t)));
      FILE *rd = ox_iopen(big.c_str());
      sih_val_read_from_file(&in, rd, big.c_str(), 1);
      ox_iclose(rd);
      ExpectHoldsIds(&in, keys);
      if (::testing::Test::HasFailure()) _exit(1);
    });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "sih_val_write_to_file: 5000 entries were written to \"" + big +
                         "\".\nsih_val_read_from_file: 5000 entries were read from \"" +
                         big + "\".\n");
  }
}

TEST(Sih, DamagedSavedTablesEndTheProcessNamingTheFile) {
  const std::string good = SavedTable({{"a", 1}, {"bc", 2}});
  struct Case {
    std::string what;
    std::string bytes;
    std::string complaint;  // after "sih_val_read_from_file: '<file>' "
    // Through a pipe the file size gives no bound: a count too large shows
    // up as a truncated file instead.
    std::string pipe_complaint = "";
  } cases[] = {
      {"empty", "", "is not a saved string-to-id table"},
      {"word list", "a\nb\nc\nd\ne\nf\ng\n", "is not a saved string-to-id table"},
      {"magic only", "LXSIHTBL", "is truncated"},
      {"cut in count", good.substr(0, 15), "is truncated"},
      {"cut in key", good.substr(0, 38),
       "is truncated or corrupt: it claims 2 entries, more than the file can hold",
       "is truncated"},
      {"cut in id", good.substr(0, good.size() - 1), "is truncated"},
      {"version 2", SavedTable({{"a", 1}}, 1, 2),
       "has the table version 2; only version 1 can be read"},
      {"count beyond file", SavedTable({{"a", 1}}, 2),
       "is truncated or corrupt: it claims 2 entries, more than the file can hold",
       "is truncated"},
      {"huge count", SavedTable({{"a", 1}}, UINT64_C(1) << 62),
       "is truncated or corrupt: it claims 4611686018427387904 entries, more than the file "
       "can hold",
       "is truncated"},
      {"negative count", SavedTable({{"a", 1}}, ~UINT64_C(0)),
       "is truncated or corrupt: it claims 18446744073709551615 entries, more than the file can hold"},
      {"huge length",
       "LXSIHTBL" + Fixed32(1) + Fixed64(1) + Fixed32(0xffffffff) +
           std::string(20, 'x'),
       "is corrupt: entry 1 has a key of 4294967295 bytes"},
      {"length past end",
       "LXSIHTBL" + Fixed32(1) + Fixed64(1) + Fixed32(100) +
           std::string(20, 'x'),
       "is truncated"},
      {"empty key", SavedTable({{"a", 1}, {"", 2}, {"pad", 3}}),
       "is corrupt: entry 2 has a key of 0 bytes"},
      {"NUL in key", SavedTable({{std::string("a\0b", 3), 1}}),
       "is corrupt: entry 1 has a NUL byte in its key"},
      {"id 0", SavedTable({{"a", 1}, {"b", 0}}), "is corrupt: entry 2 has the id 0"},
      {"negative id", SavedTable({{"a", -4}}), "is corrupt: entry 1 has the id -4"},
      {"repeated key", SavedTable({{"a", 1}, {"a", 2}}),
       "is corrupt: entry 2 repeats the key 'a'"},
      {"trailing data", good + "x", "is corrupt: it has data after its last entry"},
  };
  ScratchDir dir;
  for (const Case &c : cases) {
    for (bool compressed : {false, true}) {
      std::string path = dir.File(compressed ? "t.vocab_ht.gz" : "t.vocab_ht");
      if (compressed) {
        ChildResult w = lexkit_test::RunShell("gzip > '" + path + "'", c.bytes);
        ASSERT_EQ(w.status, 0);
      } else {
        WriteFile(path, c.bytes);
      }
      ChildResult r = RunChild([&] {
        FILE *fp = ox_iopen(path.c_str());
        sih_val_read_from_file(sih_create(0, 0, 0, 0), fp, path.c_str(), 0);
        ox_iclose(fp);
      });
      std::string complaint =
          compressed && !c.pipe_complaint.empty() ? c.pipe_complaint : c.complaint;
      EXPECT_EQ(r.status, 255) << c.what << compressed;
      EXPECT_EQ(r.err, "sih_val_read_from_file: '" + path + "' " + complaint + "\n")
          << c.what << compressed;
    }
  }
}

}  // namespace
