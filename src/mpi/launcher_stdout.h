// Rank 0's standard output written straight to the launcher's.
//
// mpirun passes a rank's standard output on through a pipe of its own and
// does not report a write that fails at its end (a full disk, /dev/full):
// the job would end with status 0 and the output cut short. So when rank
// 0 runs beside the launcher (an ancestor process named mpirun, mpiexec,
// orterun or prterun), it opens the launcher's standard output again
// through /proc as its own: with the launcher's append flag, or at the
// launcher's offset. A failed write is then rank 0's to see, and it ends
// the job. Where that is not possible (a launcher on another machine,
// Slurm), standard output stays the launcher's pipe.
#ifndef LEXKIT_MPI_LAUNCHER_STDOUT_H
#define LEXKIT_MPI_LAUNCHER_STDOUT_H

namespace lexkit::mpi {

// Called by rank 0 before it writes anything to standard output.
void WriteStdoutToLauncher();

}  // namespace lexkit::mpi

#endif  // LEXKIT_MPI_LAUNCHER_STDOUT_H
