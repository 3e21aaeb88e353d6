// The named output of a job (gramlex's -idngram, or "-" for standard
// output), written once by the rules of libs/io/output_file.h: rank 0 makes
// the OutputFile before any work, so a name that cannot be written ends
// the job before it begins, and puts it in place only after every rank has
// written its piece.
//
// A temporary regular file that is not compressed is written by every rank
// at its piece's offset (MPI-IO); standard output, a device, a FIFO and a
// compressed file are written by rank 0 alone, the others sending their
// pieces in order. Until the output is in place, its temporary file is
// removed when the job fails: by rank 0, and by every other rank that
// fails itself (cleanup.h), in case rank 0 is killed outright.
#ifndef LEXKIT_MPI_JOB_OUTPUT_H
#define LEXKIT_MPI_JOB_OUTPUT_H

#include <memory>
#include <string>

#include "libs/io/cleanup.h"
#include "libs/io/output_file.h"
#include "mpi/job.h"
#include "mpi/output.h"

namespace lexkit::mpi {

class JobOutput {
 public:
  // Collective.
  JobOutput(const Job &job, const char *path);
  JobOutput(const JobOutput &) = delete;
  JobOutput &operator=(const JobOutput &) = delete;

  // Collective: writes every rank's finished piece and, once every rank has
  // written its own, rank 0 commits the output. A failure ends the job.
  void Write(Piece &piece);

 private:
  const Job &job_;
  std::unique_ptr<OutputFile> file_;  // rank 0's
  // The temporary file written at offsets; empty when rank 0 writes alone.
  std::string at_offsets_;
  std::unique_ptr<TemporaryPath> answer_for_;  // the other ranks' hold on it
};

}  // namespace lexkit::mpi

#endif  // LEXKIT_MPI_JOB_OUTPUT_H
