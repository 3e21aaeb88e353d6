// A program run as one rank of an MPI job (mpirun, mpiexec or srun).
//
// The job ends as one: when any rank ends before its work is done (a fatal
// error's quit, any other exit), that rank removes its temporary files
// (the clean-up registry of libs/io/cleanup.h), prints which rank failed
// and aborts every rank of the job with status 255. A rank killed by a
// signal is reported and the job ended by the launcher itself, which
// sends the other ranks SIGTERM: they remove their temporary files too.
#ifndef LEXKIT_MPI_JOB_H
#define LEXKIT_MPI_JOB_H

#include <mpi.h>

#include <cstdint>
#include <string>

namespace lexkit::mpi {

// True when an MPI launcher started this process. The programs then run as
// ranks of a job; otherwise they never touch MPI.
bool StartedByLauncher();

class Job {
 public:
  // MPI_Init; `program` names the failed rank's message.
  explicit Job(const char *program);
  // MPI_Finalize, after which the ranks may end.
  ~Job();
  Job(const Job &) = delete;
  Job &operator=(const Job &) = delete;

  int rank() const { return rank_; }
  int size() const { return size_; }
  bool root() const { return rank_ == 0; }
  const char *program() const { return program_; }

  // The memory that MPI itself keeps resident in this process (its
  // libraries, buffers and shared segments, as MPI_Init left them).
  uint64_t runtime_bytes() const { return runtime_bytes_; }

  // Messages of the whole job (progress, statistics) are shown by rank 0;
  // the other ranks show only warnings about their own part of the text.
  int RankVerbosity(int verbosity) const;

 private:
  const char *program_;
  int rank_ = 0;
  int size_ = 1;
  uint64_t runtime_bytes_ = 0;
};

// Collective: sends `mine` to the next rank (the last to rank 0) and
// returns what the rank before sent.
std::string FromRankBefore(const Job &job, const std::string &mine);

}  // namespace lexkit::mpi

#endif  // LEXKIT_MPI_JOB_H
