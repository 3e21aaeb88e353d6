// The MPI runs of countlex and gramlex. A program's main calls its job when
// an MPI launcher started it (StartedByLauncher); the job takes the
// program's settings, gives the bytes the serial program gives for them,
// prints the program's messages once (on rank 0) and returns the exit
// status.
#ifndef LEXKIT_MPI_JOBS_H
#define LEXKIT_MPI_JOBS_H

#include "libs/ngrams/idngram_run.h"
#include "mpi/job.h"

namespace lexkit::mpi {

// countlex: the words of `text_file` counted by parts, exchanged by chain
// ranges and written in chain order. Without a text file, only one rank
// may run (it reads standard input).
int CountlexJob(const char *text_file, int init_nwords, int verbosity);

// gramlex's settings, as its options give them.
using GramlexOptions = IdNgramRunOptions;

// gramlex: each rank turns its part of the text (with the n - 1 words
// before it) into sorted runs and merges them; the merged n-grams go to the
// ranks that own their first ids, which merge what they receive and write
// the pieces of the output in rank order; the statistics are added up.
int GramlexJob(const GramlexOptions &options);

}  // namespace lexkit::mpi

#endif  // LEXKIT_MPI_JOBS_H
