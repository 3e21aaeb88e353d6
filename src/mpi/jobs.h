// The MPI runs of countlex and gramlex. A program's main calls its job when
// an MPI launcher started it (StartedByLauncher); the job takes the
// program's settings, gives the bytes the serial program gives for them,
// prints the program's messages once (on rank 0) and returns the exit
// status.
#ifndef LEXKIT_MPI_JOBS_H
#define LEXKIT_MPI_JOBS_H

#include "mpi/job.h"

namespace lexkit::mpi {

// countlex: the words of `text_file` counted by parts, exchanged by chain
// ranges and written in chain order. Without a text file, only one rank
// may run (it reads standard input).
int CountlexJob(const char *text_file, int init_nwords, int verbosity);

}  // namespace lexkit::mpi

#endif  // LEXKIT_MPI_JOBS_H
