// countlex as an MPI job. The list is in chain order, so rank r, owning the
// chains [r * M / P, (r + 1) * M / P) of the M chains, writes the r-th
// contiguous piece of it:
// 1. each rank counts the words of its part of the text into a table;
// 2. the (word, count) pairs go to the ranks that own their chains, in
//    bounded rounds, and are added up there in a second table;
// 3. each rank writes its chains in order, and the pieces are joined in
//    rank order on rank 0's standard output.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/general.h"
#include "lexkit/pc_general.h"
#include "libs/counting/word_counter.h"
#include "mpi/exchange.h"
#include "mpi/job_text.h"
#include "mpi/jobs.h"
#include "mpi/output.h"

namespace lexkit::mpi {

namespace {

// Bytes a rank sends in one round of the exchange.
constexpr size_t kRoundBytes = size_t{16} << 20;

unsigned short Level(int verbosity) { return static_cast<unsigned short>(verbosity); }

// The rank that owns each chain: contiguous ranges, in rank order.
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

 private:
  FastMod chains_;
  std::vector<uint32_t> starts_;
};

// 2^64 / the golden ratio, rounded to odd.
constexpr size_t kSpread = 0x9E3779B97F4A7C15ULL;

// A pair on the way: its count, the word's length, then the word's bytes.
constexpr size_t kPairHeader = sizeof(uint32_t) + sizeof(uint16_t);
constexpr size_t kMaxPair = kPairHeader + WordCountTable::kMaxWordLength;

// Sends the words of `counted` to the owners of their chains, where they
// are added into `owned`.
void ExchangeByChain(const Job &job, const WordCountTable &counted, uint32_t chains,
                     WordCountTable &owned) {
  const int ranks = job.size();
  const ChainOwners owners(chains, ranks);
  // The occupied slots grouped by owner (a counting sort).
  std::vector<int> owner_of(counted.capacity(), -1);
  std::vector<size_t> group_start(ranks + 1, 0);
  for (size_t i = 0; i < counted.capacity(); ++i) {
    if (!WordCountTable::Occupied(counted.slot(i))) continue;
    owner_of[i] = owners.Owner(WordCountTable::Word(counted.slot(i)));
    ++group_start[owner_of[i] + 1];
  }
  for (int r = 0; r < ranks; ++r) group_start[r + 1] += group_start[r];
  // Slot order is hash order, and words that reach a table in the order of
  // its own hash all crowd into its first slots while it is small. So the
  // slots are listed in the order of a Weyl sequence (i * an odd constant,
  // modulo the power-of-two capacity), which spreads them over the table.
  std::vector<uint32_t> grouped(counted.size());
  std::vector<size_t> next(group_start.begin(), group_start.end() - 1);
  const size_t mask = counted.capacity() - 1;
  for (size_t k = 0; k < counted.capacity(); ++k) {
    const size_t i = (k * kSpread) & mask;
    if (owner_of[i] >= 0) grouped[next[owner_of[i]]++] = static_cast<uint32_t>(i);
  }
  owner_of = {};

  std::vector<size_t> cursor(group_start.begin(), group_start.end() - 1);
  auto fill = [&](int dest, char *out, size_t room) {
    size_t used = 0;
    for (size_t &i = cursor[dest]; i < group_start[dest + 1]; ++i) {
      const WordCountTable::Slot &slot = counted.slot(grouped[i]);
      const std::string_view word = WordCountTable::Word(slot);
      if (room - used < kPairHeader + word.size()) break;
      const uint16_t len = static_cast<uint16_t>(word.size());
      memcpy(out + used, &slot.count, sizeof slot.count);
      memcpy(out + used + sizeof slot.count, &len, sizeof len);
      memcpy(out + used + kPairHeader, word.data(), word.size());
      used += kPairHeader + word.size();
    }
    return used;
  };
  auto take = [&](int, const char *data, size_t len) {
    for (const char *p = data, *end = data + len; p < end;) {
      uint32_t count;
      uint16_t word_len;
      memcpy(&count, p, sizeof count);
      memcpy(&word_len, p + sizeof count, sizeof word_len);
      const char *word = p + kPairHeader;
      owned.Add(word, word_len, WordCountTable::Hash(word, word_len), count);
      p = word + word_len;
    }
  };
  ExchangeAll(job, ChunkFor(ranks, kRoundBytes, kMaxPair), fill, take);
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
      WordCountTable owned;
      {
        const JobText text(job, text_file);
        WordCountTable counted;
        FILE *part = OpenByteRange(text.fd(), text.Part(job));
        CountText(part, job.RankVerbosity(verbosity), counted);
        fclose(part);
        ExchangeByChain(job, counted, chains, owned);
      }
      WriteInChainOrder(owned, chains, piece.stream());
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
