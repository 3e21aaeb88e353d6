// The chunks of a job's work (numbered 0 to count - 1), shared out between
// the ranks as they go, so that a rank that is slower than the others
// (another program on its core, a slower machine) does less of the work
// instead of holding them all up.
//
// Rank r starts with the chunks [r * count / P, (r + 1) * count / P), done
// in order. A rank that has done its own asks the others in turn, from the
// next rank on, and each gives it the later half of the chunks it has not
// begun (none when fewer than two are left), until all have none to give.
// A rank answers between chunks, so a request waits at most one chunk.
// Every chunk is done by exactly one rank; which one does not change a
// result that is a sum over chunks, only the time it takes.
#ifndef LEXKIT_MPI_SHARED_CHUNKS_H
#define LEXKIT_MPI_SHARED_CHUNKS_H

#include <mpi.h>

#include <cstdint>

#include "mpi/job.h"

namespace lexkit::mpi {

class SharedChunks {
 public:
  // Collective: every rank of the job, with the same `count`.
  SharedChunks(const Job &job, uint64_t count);
  ~SharedChunks();
  SharedChunks(const SharedChunks &) = delete;
  SharedChunks &operator=(const SharedChunks &) = delete;

  // The next chunk for this rank, answering the other ranks' requests
  // first; false once every rank has done all its chunks, which it waits
  // for (still answering) before it returns, and false from then on.
  bool Next(uint64_t *chunk);

 private:
  void Answer();
  bool Ask(int rank);

  MPI_Comm comm_;
  int rank_;
  int ranks_;
  uint64_t next_;  // this rank's chunks not begun: [next_, end_)
  uint64_t end_;
  bool finished_ = false;  // every rank's chunks are done
};

}  // namespace lexkit::mpi

#endif  // LEXKIT_MPI_SHARED_CHUNKS_H
