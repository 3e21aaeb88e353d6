// The text of a job: a plain file named with "-text", which every rank
// opens (on a shared file system) and reads its chunks of. Standard input,
// a compressed file or anything but a regular file cannot be split and
// ends the process with a message.
#ifndef LEXKIT_MPI_JOB_TEXT_H
#define LEXKIT_MPI_JOB_TEXT_H

#include <stdio.h>

#include <cstdint>

#include "libs/io/text_ranges.h"
#include "mpi/job.h"

namespace lexkit::mpi {

// Chunks of a text of `size` bytes for `ranks` ranks to share out: about
// 4 MB each, and at least 8 for each rank, so that a rank that falls behind
// can give some away.
int ChunkCount(uint64_t size, int ranks);

class JobText {
 public:
  JobText(const Job &job, const char *path);
  ~JobText();
  JobText(const JobText &) = delete;
  JobText &operator=(const JobText &) = delete;

  int fd() const;
  uint64_t size() const { return size_; }
  // Chunk `chunk` of `chunks` (text_ranges.h): the parts the ranks share
  // out as they go (shared_chunks.h).
  ByteRange Chunk(int chunk, int chunks) const;

 private:
  FILE *fp_;
  uint64_t size_;
};

}  // namespace lexkit::mpi

#endif  // LEXKIT_MPI_JOB_TEXT_H
