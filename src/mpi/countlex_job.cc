// countlex as an MPI job. The list is in chain order, so rank r, owning the
// chains [r * M / P, (r + 1) * M / P) of the M chains, writes the r-th
// contiguous piece of it:
// 1. each rank counts the words of its chunks of the text into a table
//    (the chunks are shared out as the ranks go: shared_chunks.h);
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
#include "mpi/shared_chunks.h"

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

// 2^64 / the golden ratio, rounded to odd.
constexpr size_t kSpread = 0x9E3779B97F4A7C15ULL;

// The pairs of the words of a table that other ranks own, taken out of the
// table a round at a time, so that what waits to be sent is about one
// round for each rank, whatever the size of the vocabulary. A walk over the
// slots packs each such word's pair for its owner and leaves the word with
// a count of 0: it is never sent twice, and the words this rank writes are
// its own, which keep their counts.
//
// Slot order is hash order, and words that reach a table in the order of
// its hash crowd into its first slots while it is small (a rank with a
// small part of the text receives many). So the slots are visited in the
// order of a Weyl sequence (i * an odd constant, modulo the power-of-two
// capacity), which spreads them over the receiving table. That order jumps
// about memory: each slot is fetched some visits ahead, and the arena copy
// of its word some visits after that. The words other ranks send may make
// the table grow while it is walked, which moves its slots: the walk then
// starts again, over the words that still have a count.
class ForeignPairs {
 public:
  ForeignPairs(const Job &job, WordCountTable &table, const ChainOwners &owners)
      : rank_(job.rank()), table_(table), owners_(owners), pending_(job.size()) {}

  // Moves whole pairs for `dest`, at most `room` (at least kMaxPair) bytes,
  // to `out`; returns their size, 0 once there are no more.
  size_t Take(int dest, char *out, size_t room) {
    if (dest == rank_) return 0;  // its own words stay where they are
    std::string &pending = pending_[dest];
    while (pending.size() < room && Step()) {
    }
    size_t len = 0;
    while (len < pending.size() && len + PairSize(&pending[len]) <= room)
      len += PairSize(&pending[len]);
    memcpy(out, pending.data(), len);
    pending.erase(0, len);
    return len;
  }

 private:
  static constexpr size_t kSlotsAhead = 16, kWordsAhead = 8;

  const WordCountTable::Slot &SlotAt(size_t k) const {
    return table_.slot(SlotIndex(k));
  }
  size_t SlotIndex(size_t k) const { return (k * kSpread) & (capacity_ - 1); }

  // Visits one slot; false once every slot has been visited.
  bool Step() {
    if (table_.capacity() != capacity_) {
      capacity_ = table_.capacity();
      next_ = 0;
    }
    if (next_ == capacity_) return false;
    const size_t k = next_++;
    __builtin_prefetch(&SlotAt(k + kSlotsAhead));
    const WordCountTable::Slot &ahead = SlotAt(k + kWordsAhead);
    if (WordCountTable::Occupied(ahead)) __builtin_prefetch(WordCountTable::Word(ahead).data());
    const WordCountTable::Slot &slot = SlotAt(k);
    if (!WordCountTable::Occupied(slot) || slot.count == 0) return true;
    const std::string_view word = WordCountTable::Word(slot);
    const int owner = owners_.Owner(word);
    if (owner == rank_) return true;
    const uint32_t count = table_.TakeCount(SlotIndex(k));
    const uint16_t len = static_cast<uint16_t>(word.size());
    std::string &out = pending_[owner];
    out.append(reinterpret_cast<const char *>(&count), sizeof count);
    out.append(reinterpret_cast<const char *>(&len), sizeof len);
    out.append(word);
    return true;
  }

  const int rank_;
  WordCountTable &table_;
  const ChainOwners &owners_;
  std::vector<std::string> pending_;  // packed pairs, one string per rank
  size_t capacity_ = 0;               // of the table the walk is over
  size_t next_ = 0;                   // the walk's next visit
};

// Sends the words of `table` that other ranks own to them, and adds the
// words this rank owns that they send into `table`. The words of other
// ranks stay in it with a count of 0, outside this rank's range of chains.
void ExchangeByChain(const Job &job, WordCountTable &table, const ChainOwners &owners) {
  ForeignPairs pairs(job, table, owners);
  auto fill = [&](int dest, char *out, size_t room) { return pairs.Take(dest, out, room); };
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
        const int chunks = ChunkCount(text.size(), job.size());
        SharedChunks shared(job, static_cast<uint64_t>(chunks));
        for (uint64_t chunk; shared.Next(&chunk);) {
          FILE *part = OpenByteRange(text.fd(), text.Chunk(static_cast<int>(chunk), chunks));
          CountText(part, job.RankVerbosity(verbosity), table);
          fclose(part);
        }
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
