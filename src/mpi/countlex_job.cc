// countlex as an MPI job. The list is in chain order, so rank r, owning the
// chains [r * M / P, (r + 1) * M / P) of the M chains, writes the r-th
// contiguous piece of it:
// 1. each rank counts the words of its part of the text into a table;
// 2. the (word, count) pairs of the words of other ranks' chains go to
//    those ranks, in bounded rounds, and are added into their tables;
// 3. each rank writes its chains in order, and the pieces are joined in
//    rank order on rank 0's standard output.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/general.h"
#include "lexkit/pc_general.h"
#include "libs/counting/prefetching_counter.h"
#include "libs/counting/word_counter.h"
#include "mpi/exchange.h"
#include "mpi/job_text.h"
#include "mpi/jobs.h"
#include "mpi/output.h"

namespace lexkit::mpi {

namespace {

// Bytes a rank sends in one round of the exchange.
constexpr size_t kRoundBytes = size_t{256} << 10;

unsigned short Level(int verbosity) { return static_cast<unsigned short>(verbosity); }

// The ranks' ranges of chains: contiguous, in rank order.
class ChainOwners {
 public:
  ChainOwners(uint32_t chains, int ranks) : chains_(chains), starts_(ranks + 1) {
    for (int r = 0; r <= ranks; ++r)
      starts_[r] = static_cast<uint32_t>(uint64_t{chains} * r / ranks);
  }
  int Owner(std::string_view word) const {
    const uint32_t chain = ChainIndex(word, chains_);
    return static_cast<int>(std::upper_bound(starts_.begin(), starts_.end(), chain) -
                            starts_.begin()) - 1;
  }
  ChainRange Range(int rank) const { return {starts_[rank], starts_[rank + 1]}; }

 private:
  FastMod chains_;
  std::vector<uint32_t> starts_;
};

// A pair on the way: its count, the word's length, then the word's bytes.
constexpr size_t kPairHeader = sizeof(uint32_t) + sizeof(uint16_t);
constexpr size_t kMaxPair = kPairHeader + WordCountTable::kMaxWordLength;

size_t PairSize(const char *pair) {
  uint16_t len;
  memcpy(&len, pair + sizeof(uint32_t), sizeof len);
  return kPairHeader + len;
}

// The pairs for one rank, packed in blocks that are freed as they are sent,
// so that what waits to be sent shrinks as the exchange goes on. A pair
// never straddles two blocks.
class PairQueue {
 public:
  void Append(uint32_t count, std::string_view word) {
    const size_t size = kPairHeader + word.size();
    if (blocks_.empty() || kBlockBytes - blocks_.back().size() < size) {
      blocks_.emplace_back();
      blocks_.back().reserve(kBlockBytes);
    }
    const uint16_t len = static_cast<uint16_t>(word.size());
    std::string &out = blocks_.back();
    out.append(reinterpret_cast<const char *>(&count), sizeof count);
    out.append(reinterpret_cast<const char *>(&len), sizeof len);
    out.append(word);
  }

  // Moves whole pairs, at most `room` bytes, to `out`; returns their size.
  size_t Take(char *out, size_t room) {
    size_t len = 0;
    while (!blocks_.empty()) {
      const std::string &block = blocks_.front();
      size_t take = 0;
      while (taken_ + take < block.size() &&
             len + take + PairSize(&block[taken_ + take]) <= room)
        take += PairSize(&block[taken_ + take]);
      memcpy(out + len, block.data() + taken_, take);
      len += take;
      taken_ += take;
      if (taken_ < block.size()) break;  // `out` is full
      blocks_.pop_front();
      taken_ = 0;
    }
    return len;
  }

 private:
  static constexpr size_t kBlockBytes = size_t{64} << 10;
  std::deque<std::string> blocks_;
  size_t taken_ = 0;  // bytes of the first block already taken
};

// 2^64 / the golden ratio, rounded to odd.
constexpr size_t kSpread = 0x9E3779B97F4A7C15ULL;

// The pairs of the words of `table` that other ranks own, one queue for
// each rank. Slot order is hash order, and words that reach a table in the
// order of its hash crowd into its first slots while it is small (a rank
// with a small part of the text receives many). So the slots are visited in
// the order of a Weyl sequence (i * an odd constant, modulo the power-of-two
// capacity), which spreads them over the receiving table. That order jumps
// about memory: each slot is fetched some visits ahead, and the arena copy
// of its word some visits after that.
std::vector<PairQueue> PairsForOthers(const Job &job, const WordCountTable &table,
                                      const ChainOwners &owners) {
  constexpr size_t kSlotsAhead = 16, kWordsAhead = 8;
  std::vector<PairQueue> pairs(job.size());
  const size_t mask = table.capacity() - 1;
  auto slot_at = [&](size_t k) -> const WordCountTable::Slot & {
    return table.slot((k * kSpread) & mask);
  };
  for (size_t k = 0; k < table.capacity(); ++k) {
    __builtin_prefetch(&slot_at(k + kSlotsAhead));
    const WordCountTable::Slot &ahead = slot_at(k + kWordsAhead);
    if (WordCountTable::Occupied(ahead)) __builtin_prefetch(WordCountTable::Word(ahead).data());
    const WordCountTable::Slot &slot = slot_at(k);
    if (!WordCountTable::Occupied(slot)) continue;
    const std::string_view word = WordCountTable::Word(slot);
    const int owner = owners.Owner(word);
    if (owner != job.rank()) pairs[owner].Append(slot.count, word);
  }
  return pairs;
}

// Sends the words of `table` that other ranks own to them, and adds the
// words this rank owns that they send into `table`. Its words of other
// ranks stay in it, outside this rank's range of chains.
void ExchangeByChain(const Job &job, WordCountTable &table, const ChainOwners &owners) {
  // Packed before anything arrives: adding to the table moves its slots.
  std::vector<PairQueue> pairs = PairsForOthers(job, table, owners);
  auto fill = [&](int dest, char *out, size_t room) { return pairs[dest].Take(out, room); };
  PrefetchingCounter<true> counter(table);
  auto take = [&](int, const char *data, size_t len) {
    for (const char *p = data, *end = data + len; p < end; p += PairSize(p)) {
      uint32_t count;
      memcpy(&count, p, sizeof count);
      counter.Word(p + kPairHeader, PairSize(p) - kPairHeader, count);
    }
    counter.Flush();  // before the round's buffer is reused
  };
  ExchangeAll(job, ChunkFor(job.size(), kRoundBytes, kMaxPair), fill, take);
}

const char *TemporaryDirectory() {
  const char *dir = getenv("TMPDIR");
  return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

void CheckStandardOutput() {
  // Output lost on a full disk or a closed pipe must not pass for success.
  if (fflush(stdout) != 0 || ferror(stdout))
    quit(-1, "countlex : Error writing the word frequency list: %s\n", strerror(errno));
}

}  // namespace

int CountlexJob(const char *text_file, int init_nwords, int verbosity) {
  Job job("countlex");
  const uint32_t chains = ChainCount(init_nwords);
  if (text_file == nullptr) {
    if (job.size() > 1)
      quit(-1, "countlex : Error : %d ranks need the text as a file (-text FILE); "
               "standard input cannot be split.\n", job.size());
    pc_message(Level(verbosity), 2, "countlex : Reading text from standard input...\n");
    countlex_impl(stdin, stdout, init_nwords, verbosity);
  } else {
    pc_message(Level(job.RankVerbosity(verbosity)), 2, "countlex : Reading text from %s...\n",
               text_file);
    Piece piece(TemporaryDirectory());
    {
      const ChainOwners owners(chains, job.size());
      WordCountTable table;
      {
        const JobText text(job, text_file);
        FILE *part = OpenByteRange(text.fd(), text.Part(job));
        CountText(part, job.RankVerbosity(verbosity), table);
        fclose(part);
      }
      ExchangeByChain(job, table, owners);
      WriteInChainOrder(table, chains, piece.stream(), owners.Range(job.rank()));
    }
    piece.Finish(job.program());
    WriteInRankOrder(job, piece, stdout);
  }
  if (job.root()) CheckStandardOutput();
  MPI_Barrier(MPI_COMM_WORLD);
  if (job.root()) pc_message(Level(verbosity), 0, "countlex : Done.\n");
  return 0;
}

}  // namespace lexkit::mpi
