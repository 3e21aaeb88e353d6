// gramlex as an MPI job. The id n-gram file is sorted by ids, so rank r,
// owning the first ids [cut_r, cut_r+1), writes the r-th contiguous piece
// of it, and every prefix of its n-grams is one of its own, so the
// frequency-of-frequency tallies of the ranks add up to the file's:
// 1. each rank turns its chunks of the text (shared out as the ranks go),
//    each read from the n - 1 words before it, into sorted runs through the
//    n-gram buffer, and merges its runs into one sorted file (the n-grams
//    whose last word lies in its chunks);
// 2. the cuts are chosen so that every rank owns about as many of those
//    n-grams, by a bisection over first ids on the ranks' counts;
// 3. each rank sends every other rank its n-grams of that rank's range, in
//    bounded rounds, and merges what it receives, one run per sender, into
//    its piece with its tallies;
// 4. the pieces are written in rank order and rank 0 prints the summed
//    statistics.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lexkit/ac_hash.h"
#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/general.h"
#include "lexkit/pc_general.h"
#include "libs/base/coding.h"
#include "libs/io/cleanup.h"
#include "libs/io/idngram_records.h"
#include "libs/io/private_dir.h"
#include "libs/io/text_ranges.h"
#include "libs/ngrams/fof_stats.h"
#include "libs/ngrams/ngram_stages.h"
#include "libs/vocabulary/vocab_index.h"
#include "libs/vocabulary/vocab_warnings.h"
#include "mpi/exchange.h"
#include "mpi/job_text.h"
#include "mpi/job_output.h"
#include "mpi/jobs.h"
#include "mpi/output.h"
#include "mpi/shared_chunks.h"

namespace lexkit::mpi {

namespace {

constexpr size_t kMaxWord = 499;  // the text buffer's word length
// Bytes a rank sends in one round of the exchange: rounds of a megabyte
// reuse buffers that stay in the caches, and moved big.txt's n-grams
// between two ranks in a sixth of the time that rounds of 16 MB took.
constexpr size_t kMaxRoundBytes = size_t{1} << 20;

unsigned short Level(int verbosity) { return static_cast<unsigned short>(verbosity); }

// The rank's private directory inside the temporary parent
// (libs/io/private_dir.h): first its sorted runs, which the merge deletes,
// and the file they are merged into; then the runs it receives, numbered
// from 1 again, and its piece of the output. A rank killed outright (the
// kernel's SIGKILL) cleans nothing up, so each rank also answers for the
// directory of the rank before it when they share a machine: whichever of
// the two fails or is terminated removes both.
class RankDirectory {
 public:
  RankDirectory(const Job &job, const char *parent)
      : dir_(parent, "gramlex_rank" + std::to_string(job.rank())) {
    if (job.size() == 1) return;
    char host[MPI_MAX_PROCESSOR_NAME];
    int len = 0;
    MPI_Get_processor_name(host, &len);
    const std::string mine = std::string(host, static_cast<size_t>(len)) + '\0' + dir_.path();
    const std::string before = FromRankBefore(job, mine);
    const size_t end_of_host = before.find('\0');
    if (before.compare(0, end_of_host, mine, 0, static_cast<size_t>(len)) == 0 &&
        end_of_host == static_cast<size_t>(len))
      neighbour_ = std::make_unique<TemporaryPath>(before.substr(end_of_host + 1),
                                                   TemporaryPath::Kind::kDirectory);
  }
  // The job's work is done: the rank before removes its own directory.
  ~RankDirectory() {
    if (neighbour_) neighbour_->Keep();
  }
  RankDirectory(const RankDirectory &) = delete;
  RankDirectory &operator=(const RankDirectory &) = delete;

  const std::string &path() const { return dir_.path(); }
  std::string merged() const { return path() + "/merged"; }

 private:
  PrivateDirectory dir_;
  std::unique_ptr<TemporaryPath> neighbour_;
};

// The vocabulary as the serial program loads it: about twice as many
// chains as words, so the loader never finds the table full.
void LoadVocabulary(const char *path, int verbosity, struct idngram_hash_table *table) {
  const long long chains = 2LL * CountVocabEntries(path) + 3;
  if (chains > 2147483000LL) quit(-1, "gramlex : Error : the vocabulary is too large.\n");
  new_idngram_hashtable(table, nearest_prime(static_cast<int>(chains)));
  // One thread: the ranks already share the machine's cores.
  LoadVocabIndex(path, verbosity, table, table->size, 1);
}

// Windows of the n-gram buffer: -buffer megabytes of n-id rows, less the
// memory that MPI itself keeps in the rank, so that a rank takes no more
// than the serial program with the same -buffer. The output does not
// depend on it: only the number of sorted runs does.
int BufferRows(int buffer_mb, int n, uint64_t runtime_bytes) {
  const long long row = static_cast<long long>(sizeof(wordid_t)) * n;
  const long long budget = static_cast<long long>(buffer_mb) * 1000000LL -
                           static_cast<long long>(runtime_bytes);
  long long rows = budget / row;
  // A small buffer leaves room for nothing more: it is taken as given.
  if (budget < static_cast<long long>(buffer_mb) * 500000LL)
    rows = static_cast<long long>(buffer_mb) * 1000000LL / row;
  if (rows < 1) rows = 1;
  return rows > 2147483000LL ? 2147483000 : static_cast<int>(rows);
}

// A sorted file of id n-gram records, read by record number.
class SortedRecords {
 public:
  SortedRecords(const std::string &path, int n)
      : fp_(ox_fopen(path.c_str(), "rb")), record_size_(4 * (static_cast<uint64_t>(n) + 1)) {
    struct stat info;
    if (fstat(fileno(fp_), &info) != 0)
      quit(-1, "gramlex : Error : could not read '%s': %s\n", path.c_str(), strerror(errno));
    records_ = static_cast<uint64_t>(info.st_size) / record_size_;
  }
  ~SortedRecords() { fclose(fp_); }
  SortedRecords(const SortedRecords &) = delete;
  SortedRecords &operator=(const SortedRecords &) = delete;

  uint64_t record_size() const { return record_size_; }
  uint64_t records() const { return records_; }

  // The number of records whose first id is below `first` (up to 2^32).
  uint64_t CountBelow(uint64_t first) const {
    uint64_t lo = 0, hi = records_;
    while (lo < hi) {
      const uint64_t mid = lo + (hi - lo) / 2;
      if (FirstId(mid) < first)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }

  // Up to `len` bytes from byte `offset`.
  size_t Read(char *out, size_t len, uint64_t offset) const {
    size_t done = 0;
    while (done < len) {
      const ssize_t got =
          pread(fileno(fp_), out + done, len - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) quit(-1, "gramlex : Error reading the merged n-grams: %s\n", strerror(errno));
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
    return done;
  }

 private:
  uint64_t FirstId(uint64_t record) const {
    char bytes[4];
    if (Read(bytes, 4, record * record_size_) != 4)
      quit(-1, "gramlex : Error : the merged n-grams ended early.\n");
    return DecodeFixed32(bytes);
  }

  FILE *fp_;
  uint64_t record_size_;
  uint64_t records_ = 0;
};

// The first cut of each rank: the smallest first id below which the ranks
// together hold at least rank / size of all the n-grams. A bisection over
// the ids, each step one sum of the ranks' counts of every cut tried.
std::vector<uint64_t> ChooseCuts(const Job &job, const SortedRecords &mine) {
  const int ranks = job.size();
  unsigned long long here = mine.records(), total = 0;
  MPI_Allreduce(&here, &total, 1, MPI_UNSIGNED_LONG_LONG, MPI_SUM, MPI_COMM_WORLD);
  // Rank 0 begins at id 0, and the end of the last rank is past every id.
  constexpr uint64_t kPastEveryId = uint64_t{1} << 32;
  std::vector<uint64_t> lo(ranks + 1, 0), hi(ranks + 1, kPastEveryId);
  hi[0] = 0;
  lo[ranks] = kPastEveryId;
  std::vector<unsigned long long> counts(ranks + 1), sums(ranks + 1);
  for (bool open = true; open;) {
    for (int r = 0; r <= ranks; ++r) counts[r] = mine.CountBelow(lo[r] + (hi[r] - lo[r]) / 2);
    MPI_Allreduce(counts.data(), sums.data(), ranks + 1, MPI_UNSIGNED_LONG_LONG, MPI_SUM,
                  MPI_COMM_WORLD);
    open = false;
    for (int r = 0; r <= ranks; ++r) {
      if (lo[r] == hi[r]) continue;
      const uint64_t mid = lo[r] + (hi[r] - lo[r]) / 2;
      // sums * size >= r * total: the ranks below r hold their share.
      if (static_cast<unsigned __int128>(sums[r]) * ranks >=
          static_cast<unsigned __int128>(total) * r)
        hi[r] = mid;
      else
        lo[r] = mid + 1;
      open = open || lo[r] != hi[r];
    }
  }
  return lo;
}

// Sends each rank the records of its first ids, and keeps what each rank
// sends as a run of its own: parts/1, parts/2, ... for the senders that
// have any, in rank order. Returns the number of runs received.
int ExchangeRecords(const Job &job, const SortedRecords &mine, const std::vector<uint64_t> &cuts,
                    const RankDirectory &dir, size_t round_bytes) {
  const int ranks = job.size();
  std::vector<uint64_t> cursor(ranks), end(ranks);
  std::vector<unsigned long long> sizes(ranks), incoming(ranks);
  for (int d = 0; d < ranks; ++d) {
    cursor[d] = mine.CountBelow(cuts[d]) * mine.record_size();
    end[d] = mine.CountBelow(cuts[d + 1]) * mine.record_size();
    sizes[d] = end[d] - cursor[d];
  }
  MPI_Alltoall(sizes.data(), 1, MPI_UNSIGNED_LONG_LONG, incoming.data(), 1,
               MPI_UNSIGNED_LONG_LONG, MPI_COMM_WORLD);
  std::vector<FILE *> runs(ranks, nullptr);
  int received = 0;
  for (int s = 0; s < ranks; ++s) {
    if (incoming[s] == 0) continue;
    const std::string name = dir.path() + "/" + std::to_string(++received);
    runs[s] = ox_fopen(name.c_str(), "wb");
  }
  const size_t record = static_cast<size_t>(mine.record_size());
  auto fill = [&](int dest, char *out, size_t room) {
    const uint64_t left = end[dest] - cursor[dest];
    size_t len = room / record * record;
    if (len > left) len = static_cast<size_t>(left);
    if (len != 0 && mine.Read(out, len, cursor[dest]) != len)
      quit(-1, "gramlex : Error : the merged n-grams ended early.\n");
    cursor[dest] += len;
    return len;
  };
  auto take = [&](int source, const char *data, size_t len) {
    if (fwrite(data, 1, len, runs[source]) != len)
      quit(-1, "gramlex : Error writing the received n-grams: %s\n", strerror(errno));
  };
  ExchangeAll(job, ChunkFor(ranks, round_bytes, record), fill, take);
  for (FILE *fp : runs)
    if (fp != nullptr && fclose(fp) != 0)
      quit(-1, "gramlex : Error writing the received n-grams: %s\n", strerror(errno));
  return received;
}

}  // namespace

int GramlexJob(const GramlexOptions &o) {
  Job job("gramlex");
  if (o.text_file == nullptr && job.size() > 1)
    quit(-1, "gramlex : Error : %d ranks need the text as a file (-text FILE); "
             "standard input cannot be split.\n", job.size());
  const int verbosity = job.RankVerbosity(o.verbosity);
  JobOutput output(job, o.idngram_file != nullptr ? o.idngram_file : "-");  // before any work
  struct idngram_hash_table vocabulary;
  ShowVocabularyWarnings(job.root());  // every rank reads the one file
  LoadVocabulary(o.vocab_file, verbosity, &vocabulary);
  RankDirectory dir(job, o.temp_parent);
  const char *ext = o.gzip_temp ? ".gz" : "";

  // 1. This rank's n-grams, merged: those of the chunks of the text it
  // takes (shared_chunks.h), each read from the n - 1 words before it.
  int run_count = 0;
  {
    std::unique_ptr<JobText> text;
    if (o.text_file != nullptr) text = std::make_unique<JobText>(job, o.text_file);
    const int chunks = text ? ChunkCount(text->size(), job.size()) : 1;
    SharedChunks shared(job, static_cast<uint64_t>(chunks));
    FILE *part = nullptr;
    const TextParts parts = [&]() -> FILE * {
      if (part != nullptr && part != stdin) fclose(part);
      part = nullptr;
      uint64_t chunk;
      if (!shared.Next(&chunk)) return nullptr;
      if (!text) return part = stdin;  // one rank, one chunk
      const ByteRange range = text->Chunk(static_cast<int>(chunk), chunks);
      const uint64_t start = StartOfPrecedingWords(text->fd(), range.begin,
                                                   static_cast<uint64_t>(o.n - 1), kMaxWord);
      return part = OpenByteRange(text->fd(), {start, range.end});
    };
    // One thread: the ranks already share the machine's cores.
    run_count = TextToNgramFiles(parts, &vocabulary, verbosity, nullptr,
                                 BufferRows(o.buffer_mb, o.n, job.runtime_bytes()),
                                 static_cast<unsigned>(o.n), dir.path().c_str(), ext, 1);
  }
  FILE *merged = ox_fopen(dir.merged().c_str(), "wb");
  if (run_count > 0)
    MergeIdNgramFiles(1, run_count, dir.path().c_str(), ext, o.max_files, merged, false, 0, o.n);
  if (fclose(merged) != 0)
    quit(-1, "gramlex : Error writing '%s': %s\n", dir.merged().c_str(), strerror(errno));

  // 2, 3. The ranges of first ids, the exchange and this rank's piece.
  int received = 0;
  {
    const SortedRecords mine(dir.merged(), o.n);
    const std::vector<uint64_t> cuts = ChooseCuts(job, mine);
    const size_t round_bytes = std::min(kMaxRoundBytes, size_t{1000000} * o.buffer_mb);
    received = ExchangeRecords(job, mine, cuts, dir, round_bytes);
  }
  remove(dir.merged().c_str());
  // The statistics are progress output: shown at verbosity 2 or more.
  FofStats tally(o.n, o.verbosity >= 2 ? o.fof_size : 0);
  Piece piece(dir.path());
  if (received > 0)
    MergeIdNgramFiles(1, received, dir.path().c_str(), "", o.max_files, piece.stream(),
                      o.write_ascii, 0, o.n, &tally);
  piece.Finish(job.program());

  // 4. The output and the statistics.
  output.Write(piece);
  int any_runs = 0;
  MPI_Allreduce(&run_count, &any_runs, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD);
  std::vector<int64_t> numbers = tally.Numbers(), sums(numbers.size());
  MPI_Reduce(numbers.data(), sums.data(), static_cast<int>(numbers.size()), MPI_INT64_T,
             MPI_SUM, 0, MPI_COMM_WORLD);
  if (job.root()) {
    // As the serial program, which merges only when the text had n words.
    if (tally.on() && any_runs > 0) {
      tally.SetNumbers(sums);
      tally.Print(stderr);
    }
    pc_message(Level(o.verbosity), 0, "gramlex : Done.\n");
  }
  return 0;
}

}  // namespace lexkit::mpi
