// The building blocks of libs/base, each against an independent reference:
// radix sort, fast modulo, arena, checked array, the byte hash, the
// big-endian coding, option taking and the out-of-memory path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "libs/base/arena.h"
#include "libs/base/arg_vector.h"
#include "libs/base/checked_array.h"
#include "libs/base/coding.h"
#include "libs/base/fastmod.h"
#include "libs/base/hash.h"
#include "libs/base/out_of_memory.h"
#include "libs/base/radix_sort.h"
#include "test_support.h"

using lexkit_test::RunChild;

namespace {

template <typename Key>
void ExpectRadixSortMatchesStdSort(unsigned bits, size_t n, uint32_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<Key> keys(n), scratch;
  for (Key &k : keys) {
    k = (static_cast<Key>(rng()) << 32 << 32) | rng();
    if (bits < 8 * sizeof(Key)) k &= (Key{1} << bits) - 1;
    if (rng() % 4 == 0 && !keys.empty()) k = keys[rng() % keys.size()];  // repeats
  }
  std::vector<Key> expected = keys;
  std::sort(expected.begin(), expected.end());
  lexkit::RadixSort(&keys, &scratch, bits);
  EXPECT_TRUE(keys == expected) << "bits " << bits << " n " << n;
}

TEST(RadixSort, SortsLikeStdSortForEveryWidth) {
  // Small inputs, inputs sorted in buckets of the top 12 bits first, and
  // inputs too narrow for that.
  for (unsigned bits : {1u, 5u, 12u, 13u, 24u, 25u, 40u, 63u, 64u})
    for (size_t n : {0, 1, 2, 1000})
      ExpectRadixSortMatchesStdSort<uint64_t>(bits, n, bits * 31 + static_cast<uint32_t>(n));
  for (unsigned bits : {12u, 25u, 64u})
    ExpectRadixSortMatchesStdSort<uint64_t>(bits, 600000, bits);
  for (unsigned bits : {65u, 100u, 128u})
    for (size_t n : {1000, 300000})
      ExpectRadixSortMatchesStdSort<unsigned __int128>(bits, n, bits);
  // Digits that every key shares are skipped; the others still sort.
  std::vector<uint64_t> keys = {0x5003, 0x5001, 0x5002}, scratch;
  lexkit::RadixSort(&keys, &scratch, 16);
  EXPECT_EQ(keys, (std::vector<uint64_t>{0x5001, 0x5002, 0x5003}));
}

TEST(FastMod, EqualsTheRemainderAtTheEdges) {
  std::mt19937 rng(7);
  for (uint32_t d : {1u, 2u, 3u, 7u, 64u, 1000003u, 2147483647u, 4294967291u, 4294967295u}) {
    lexkit::FastMod mod(d);
    std::vector<uint32_t> values = {0, 1, d - 1, d, d + 1, 2 * d - 1, UINT32_MAX, UINT32_MAX - 1};
    for (int i = 0; i < 1000; ++i) values.push_back(rng());
    for (uint32_t v : values) ASSERT_EQ(mod.Mod(v), v % d) << v << " mod " << d;
  }
}

TEST(Arena, AlignsCopiesAndGivesLargeRequestsTheirOwnBlock) {
  lexkit::Arena arena(1024);
  char *odd = arena.AllocateBytes(3);
  void *aligned = arena.Allocate(16);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(aligned) % alignof(std::max_align_t), 0u);
  EXPECT_GE(static_cast<char *>(aligned), odd + 3);
  char *copy = arena.CopyString("abcdef", 3);
  EXPECT_STREQ(copy, "abc");
  EXPECT_EQ(arena.MemoryUsage(), 1024u);
  // A large request that does not fit gets a block of its own, and the
  // current block goes on.
  char *big = arena.AllocateBytes(1000);
  memset(big, 'x', 1000);
  EXPECT_EQ(arena.MemoryUsage(), 1024u + 1000u);
  EXPECT_EQ(arena.AllocateBytes(1), copy + 4);
  // A small one that does not fit starts a new block.
  arena.AllocateBytes(900);
  arena.AllocateBytes(200);
  EXPECT_EQ(arena.MemoryUsage(), 2 * 1024u + 1000u);
  arena.Reset();
  EXPECT_EQ(arena.MemoryUsage(), 0u);
}

TEST(CheckedArray, IsZeroFilledAndMoves) {
  lexkit::CheckedArray<uint64_t> a(1000);
  EXPECT_EQ(a.size(), 1000u);
  EXPECT_TRUE(std::all_of(a.begin(), a.end(), [](uint64_t v) { return v == 0; }));
  a[999] = 5;
  lexkit::CheckedArray<uint64_t> b = std::move(a);
  EXPECT_EQ(b[999], 5u);
  EXPECT_EQ(lexkit::CheckedArray<char>(0).size(), 0u);
}

TEST(HashBytes, PaddedReadsGiveTheExactValueAndEveryByteCounts) {
  // Words at every alignment and length up to three 16-byte steps, with
  // different bytes after them: both ways of reading agree.
  std::mt19937 rng(11);
  std::vector<char> memory(64 + 16);
  std::set<uint64_t> seen;
  for (size_t len = 0; len <= 48; ++len) {
    for (size_t at = 0; at < 8; ++at) {
      for (char &c : memory) c = static_cast<char>(rng());
      const char *word = memory.data() + at;
      ASSERT_EQ(lexkit::HashPaddedBytes(word, len), lexkit::HashBytes(word, len)) << len;
      seen.insert(lexkit::HashBytes(word, len));
    }
  }
  EXPECT_EQ(seen.size(), 49u * 8 - 7);  // the empty word hashes alike at all 8 places
  // Length matters even for trailing zero bytes, and each byte matters.
  const char zeros[17] = {};
  EXPECT_NE(lexkit::HashBytes(zeros, 1), lexkit::HashBytes(zeros, 2));
  EXPECT_NE(lexkit::HashBytes(zeros, 16), lexkit::HashBytes(zeros, 17));
  std::string w(40, 'a');
  const uint64_t base = lexkit::HashBytes(w.data(), w.size());
  for (size_t i = 0; i < w.size(); ++i) {
    std::string v = w;
    v[i] = 'b';
    EXPECT_NE(lexkit::HashBytes(v.data(), v.size()), base) << i;
  }
}

TEST(Coding, MostSignificantByteFirst) {
  char b[8];
  lexkit::EncodeFixed16(b, 0x0102);
  EXPECT_EQ(std::string(b, 2), "\x01\x02");
  lexkit::EncodeFixed32(b, 0x01020304u);
  EXPECT_EQ(std::string(b, 4), "\x01\x02\x03\x04");
  lexkit::EncodeFixed64(b, 0x0102030405060708ull);
  EXPECT_EQ(std::string(b, 8), "\x01\x02\x03\x04\x05\x06\x07\x08");
  EXPECT_EQ(lexkit::DecodeFixed16("\xFF\x01"), 0xFF01u);
  EXPECT_EQ(lexkit::DecodeFixed32("\x00\x00\x01\x02"), 258u);
  EXPECT_EQ(lexkit::DecodeFixed32("\xFE\xDC\xBA\x98"), 0xFEDCBA98u);
  EXPECT_EQ(lexkit::DecodeFixed64("\x80\x00\x00\x00\x00\x00\x00\x01"), 0x8000000000000001ull);
  std::string s;
  lexkit::PutFixed32(&s, 0xA1B2C3D4u);
  lexkit::PutFixed64(&s, 1);
  EXPECT_EQ(s, std::string("\xA1\xB2\xC3\xD4\0\0\0\0\0\0\0\x01", 12));

  // Elements of a run-time width, converted in place both ways.
  uint16_t h16 = 0x0102;
  uint32_t h32 = 0x01020304u;
  uint64_t h64 = 0x0102030405060708ull;
  char *p16 = reinterpret_cast<char *>(&h16), *p32 = reinterpret_cast<char *>(&h32),
       *p64 = reinterpret_cast<char *>(&h64);
  lexkit::EncodeElement(p16, p16, 2);
  lexkit::EncodeElement(p32, p32, 4);
  lexkit::EncodeElement(p64, p64, 8);
  EXPECT_EQ(std::string(p16, 2), "\x01\x02");
  EXPECT_EQ(std::string(p32, 4), "\x01\x02\x03\x04");
  EXPECT_EQ(std::string(p64, 8), "\x01\x02\x03\x04\x05\x06\x07\x08");
  lexkit::DecodeElement(p16, p16, 2);
  lexkit::DecodeElement(p32, p32, 4);
  lexkit::DecodeElement(p64, p64, 8);
  EXPECT_EQ(h16, 0x0102u);
  EXPECT_EQ(h32, 0x01020304u);
  EXPECT_EQ(h64, 0x0102030405060708ull);
  EXPECT_FALSE(lexkit::IsNumberWidth(1) || lexkit::IsNumberWidth(3));
}

TEST(ArgVector, StringOptionTakesEveryOccurrenceAndKeepsTheLast) {
  std::vector<std::string> args = {"gramlex", "-vocab", "a", "-n", "-vocab", "b", "-x"};
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(&a[0]);
  int argc = static_cast<int>(argv.size());
  EXPECT_STREQ(lexkit::TakeStringOption(&argc, argv.data(), "-vocab", "gramlex"), "b");
  EXPECT_EQ(lexkit::TakeStringOption(&argc, argv.data(), "-temp", "gramlex"), nullptr);
  ASSERT_EQ(argc, 3);
  EXPECT_STREQ(argv[1], "-n");
  EXPECT_STREQ(argv[2], "-x");

  auto r = RunChild([] {
    std::string prog = "gramlex", option = "-vocab";
    char *v[] = {&prog[0], &option[0]};
    int c = 2;
    lexkit::TakeStringOption(&c, v, "-vocab", "gramlex");
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "gramlex : Error : option -vocab needs a value.\n");
}

TEST(OutOfMemory, BadAllocEndsTheProcessWithTheOperationsMessage) {
  EXPECT_EQ(lexkit::QuitOnBadAlloc([] { return 7; }, [] { quit(-1, "unused\n"); }), 7);
  auto r = RunChild([] {
    lexkit::QuitOnBadAlloc([]() -> int { throw std::bad_alloc(); },
                           [] { quit(-1, "op: out of memory for %d\n", 3); });
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "op: out of memory for 3\n");
}

}  // namespace
