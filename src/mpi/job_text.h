// The text of a job: a plain file named with "-text", which every rank
// opens (on a shared file system) and reads its part of. Standard input,
// a compressed file or anything but a regular file cannot be split and
// ends the process with a message.
#ifndef LEXKIT_MPI_JOB_TEXT_H
#define LEXKIT_MPI_JOB_TEXT_H

#include <stdio.h>

#include <cstdint>

#include "libs/io/text_ranges.h"
#include "mpi/job.h"

namespace lexkit::mpi {

class JobText {
 public:
  JobText(const Job &job, const char *path);
  ~JobText();
  JobText(const JobText &) = delete;
  JobText &operator=(const JobText &) = delete;

  int fd() const;
  uint64_t size() const { return size_; }
  // This rank's part of the text (text_ranges.h).
  ByteRange Part(const Job &job) const;

 private:
  FILE *fp_;
  uint64_t size_;
};

}  // namespace lexkit::mpi

#endif  // LEXKIT_MPI_JOB_TEXT_H
