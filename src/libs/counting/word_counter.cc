// countlex_impl: counts the words of a text and writes the word frequency
// list, one "word count" line per distinct word.
//
// Words are what repeated fscanf("%500s") calls would return: runs of bytes
// other than C-locale white space, split into pieces of 500 bytes, each piece
// then taken as a C string (it ends at its first NUL byte). The lines come in
// the order of the chained count table: by chain index, the multiplier-64
// hash of the word modulo the table size, and within a chain by strcmp.
//
// The counting itself uses an open-addressing table (word_count_table.h);
// the chain order is produced once at the end by sorting the distinct words.
#include <stdio.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "lexkit/ac_hash.h"
#include "lexkit/pc_general.h"
#include "libs/base/checked_array.h"
#include "libs/base/fastmod.h"
#include "libs/base/hash.h"
#include "libs/base/out_of_memory.h"
#include "libs/counting/counting.h"
#include "libs/counting/prefetching_counter.h"
#include "libs/counting/word_count_table.h"
#include "libs/counting/word_counter.h"
#include "libs/io/block_input.h"
#include "libs/io/word_scan.h"

namespace lexkit {

namespace {

constexpr size_t kMaxWord = kMaxCountedWord;  // the conversion's field width
constexpr size_t kBlockSize = size_t{1} << 18;
constexpr size_t kOutputBufferSize = size_t{1} << 20;

unsigned short Level(int verbosity) {
  return static_cast<unsigned short>(verbosity);
}

void WarnTooLong(int verbosity, const char *word) {
  char text[kMaxWord + 1];
  std::memcpy(text, word, kMaxWord);
  text[kMaxWord] = '\0';
  pc_message(Level(verbosity), 1,
             "countlex : WARNING: word too long, will be split: %s...\n", text);
}

// The text in large blocks. A word cut by the end of a block moves to the
// front of the next, so a block holds up to kMaxWord - 1 carried bytes plus
// a full read, with the scan padding after them.
class TextBlocks : public BlockInput {
 public:
  explicit TextBlocks(FILE *fp) : BlockInput(fp, kBlockSize, kMaxWord) {}

  // Hands every non-empty word to `sink.Word(bytes, length)`. The bytes stay
  // valid until `sink.Flush()`, which is called before the block they lie
  // in is reused. A read error ends the process once the words read before
  // it have been handed over.
  template <typename Sink>
  void ReadWords(int verbosity, Sink &sink) {
    bool has_nul = false;
    auto refill = [&](const char *keep) {
      sink.Flush();
      Refill(keep);
      has_nul = std::memchr(pos_, '\0', end_ - pos_) != nullptr;
    };
    for (;;) {
      pos_ = SkipSpace(pos_, end_);
      if (pos_ == end_) {
        if (ended()) break;
        refill(end_);
        continue;
      }
      const char *limit =
          static_cast<size_t>(end_ - pos_) > kMaxWord ? pos_ + kMaxWord : end_;
      const char *stop = FindSpace(pos_, limit);
      if (stop == end_ && !ended() && static_cast<size_t>(stop - pos_) < kMaxWord) {
        refill(pos_);  // the word may go on in the input not read yet
        continue;
      }
      size_t len = stop - pos_;
      if (has_nul) {
        const void *nul = std::memchr(pos_, '\0', len);
        if (nul) len = static_cast<const char *>(nul) - pos_;
      }
      if (len == kMaxWord) WarnTooLong(verbosity, pos_);
      if (len != 0) sink.Word(pos_, len);
      pos_ = stop;
    }
    sink.Flush();
    if (failed()) quit(-1, "Error reading input\n");
  }
};

// Reads `infp` to its end and hands every word to `sink` (TextBlocks).
template <typename Sink>
void ReadWords(FILE *infp, int verbosity, Sink &sink) {
  TextBlocks(infp).ReadWords(verbosity, sink);
}

struct Entry {
  uint32_t chain;
  uint32_t slot;
};

// Stable LSD radix sort of the first `n` entries by chain index, all below
// `chains`.
void SortByChain(CheckedArray<Entry> &entries, size_t n, uint32_t chains) {
  unsigned bits = 0;
  while (bits < 32 && (uint64_t{1} << bits) < chains) ++bits;
  if (bits == 0) return;
  const unsigned passes = (bits + 10) / 11;
  const unsigned width = (bits + passes - 1) / passes;
  CheckedArray<Entry> scratch(n);
  Entry *from = entries.data();
  Entry *to = scratch.data();
  std::vector<size_t> offsets(size_t{1} << width);
  for (unsigned pass = 0, shift = 0; pass < passes; ++pass, shift += width) {
    const uint32_t digit_mask = (uint32_t{1} << width) - 1;
    std::fill(offsets.begin(), offsets.end(), 0);
    for (size_t i = 0; i < n; ++i) ++offsets[(from[i].chain >> shift) & digit_mask];
    size_t total = 0;
    for (size_t &offset : offsets) {
      size_t count = offset;
      offset = total;
      total += count;
    }
    for (size_t i = 0; i < n; ++i)
      to[offsets[(from[i].chain >> shift) & digit_mask]++] = from[i];
    std::swap(from, to);
  }
  if (from != entries.data()) std::memcpy(entries.data(), from, n * sizeof(Entry));
}

// Appends "word count\n" lines to a large buffer written out in one piece.
class LineWriter {
 public:
  explicit LineWriter(FILE *outfp) : outfp_(outfp), buffer_(kOutputBufferSize) {}
  ~LineWriter() { Drain(); }
  LineWriter(const LineWriter &) = delete;
  LineWriter &operator=(const LineWriter &) = delete;

  void Line(std::string_view word, int32_t count) {
    // A word is at most 511 bytes and a count at most 11 characters.
    if (buffer_.size() - used_ < word.size() + 16) Drain();
    char *out = buffer_.data() + used_;
    std::memcpy(out, word.data(), word.size());
    out += word.size();
    *out++ = ' ';
    out = FormatInt(out, count);
    *out++ = '\n';
    used_ = out - buffer_.data();
  }

 private:
  static char *FormatInt(char *out, int32_t value) {
    uint32_t magnitude = static_cast<uint32_t>(value);
    if (value < 0) {
      *out++ = '-';
      magnitude = 0u - magnitude;
    }
    char digits[10];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    while (n > 0) *out++ = digits[--n];
    return out;
  }

  // Write failures are left on the stream for the caller to see.
  void Drain() {
    if (used_ != 0) fwrite(buffer_.data(), 1, used_, outfp_);
    used_ = 0;
  }

  FILE *outfp_;
  CheckedArray<char> buffer_;
  size_t used_ = 0;
};

// Brings a slot, or the word a long-word slot points at, into the cache.
void PrefetchSlot(const WordCountTable &table, uint32_t index) {
  __builtin_prefetch(&table.slot(index));
}
void PrefetchWord(const WordCountTable::Slot &slot) {
  if (WordCountTable::Occupied(slot))
    __builtin_prefetch(WordCountTable::Word(slot).data());
}

}  // namespace

// h = (h * 64 + c) mod M over the word's bytes, each taken as a signed char,
// in unsigned 32-bit arithmetic.
uint32_t ChainIndex(std::string_view word, const FastMod &chains) {
  return ChainHash<64>(word.data(), word.size(), chains);
}

// The slots are visited in chain order, far from memory order, so each is
// fetched some entries ahead of its use.
void WriteInChainOrder(const WordCountTable &table, uint32_t chains,
                       FILE *outfp, ChainRange range) {
  constexpr size_t kSlotsAhead = 32, kWordsAhead = 16;
  CheckedArray<Entry> entries(table.size());
  const FastMod modulus(chains);
  size_t n = 0;
  for (size_t i = 0; i < table.capacity(); ++i) {
    if (i + kWordsAhead < table.capacity())
      PrefetchWord(table.slot(i + kWordsAhead));
    const WordCountTable::Slot &slot = table.slot(i);
    if (!WordCountTable::Occupied(slot)) continue;
    const uint32_t chain = ChainIndex(WordCountTable::Word(slot), modulus);
    if (chain >= range.begin && chain < range.end)
      entries[n++] = {chain, static_cast<uint32_t>(i)};
  }
  SortByChain(entries, n, chains);

  // Within a chain, strcmp order; words hold no NUL, so that is memcmp order
  // with the shorter of two equal prefixes first.
  auto word_less = [&table](const Entry &a, const Entry &b) {
    return WordCountTable::Word(table.slot(a.slot)) <
           WordCountTable::Word(table.slot(b.slot));
  };
  LineWriter writer(outfp);
  size_t slots_fetched = 0, words_fetched = 0;
  for (size_t run = 0; run < n;) {
    size_t run_end = run + 1;
    while (run_end < n && entries[run_end].chain == entries[run].chain) ++run_end;
    for (; slots_fetched < std::min(n, run_end + kSlotsAhead); ++slots_fetched)
      PrefetchSlot(table, entries[slots_fetched].slot);
    for (; words_fetched < std::min(n, run_end + kWordsAhead); ++words_fetched)
      PrefetchWord(table.slot(entries[words_fetched].slot));
    if (run_end - run > 1)
      std::sort(entries.begin() + run, entries.begin() + run_end, word_less);
    for (; run < run_end; ++run) {
      const WordCountTable::Slot &slot = table.slot(entries[run].slot);
      writer.Line(WordCountTable::Word(slot), static_cast<int32_t>(slot.count));
    }
  }
}

uint32_t ChainCount(int init_nwords) {
  const int hash_size = nearest_prime(init_nwords);
  // A negative size leaves a table without chains, which would refuse
  // every word and write an empty list as if the text had none.
  if (hash_size <= 0)
    quit(-1, "countlex_impl: the hash size %d gives no chains to count words in\n",
         init_nwords);
  return static_cast<uint32_t>(hash_size);
}

void CountText(FILE *infp, int verbosity, WordCountTable &table) {
  PrefetchingCounter<> counter(table);
  ReadWords(infp, verbosity, counter);
}

int CountWords(FILE *infp, FILE *outfp, int init_nwords, int verbosity) {
  return QuitOnBadAlloc([&] {
    const uint32_t chains = ChainCount(init_nwords);
    WordCountTable table;
    CountText(infp, verbosity, table);
    WriteInChainOrder(table, chains, outfp);
    return 0;
  }, [] { quit(-1, "countlex_impl: out of memory\n"); });
}

}  // namespace lexkit
