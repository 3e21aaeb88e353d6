#include "mpi/job.h"

#include <stdio.h>
#include <stdlib.h>

namespace lexkit::mpi {

namespace {

// The job of this process while it runs; an exit meanwhile is a failure.
const Job *g_running = nullptr;
std::string g_partial_output;

void FailJob() {
  if (g_running == nullptr) return;
  const Job &job = *g_running;
  g_running = nullptr;
  fprintf(stderr, "%s : rank %d of %d failed; ending the job.\n", job.program(), job.rank(),
          job.size());
  fflush(stderr);
  if (!g_partial_output.empty()) remove(g_partial_output.c_str());
  MPI_Abort(MPI_COMM_WORLD, 255);
}

}  // namespace

bool StartedByLauncher() {
  // Open MPI's mpirun, PMIx launchers (srun --mpi=pmix, prterun) and PMI-1
  // or PMI-2 launchers (srun --mpi=pmi2, MPICH's mpiexec).
  for (const char *name : {"OMPI_COMM_WORLD_SIZE", "PMIX_RANK", "PMI_RANK", "PMI_SIZE"})
    if (getenv(name) != nullptr) return true;
  return false;
}

Job::Job(const char *program) : program_(program) {
  if (MPI_Init(nullptr, nullptr) != MPI_SUCCESS) {
    fprintf(stderr, "%s : Error : MPI could not start.\n", program);
    exit(255);
  }
  MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
  MPI_Comm_size(MPI_COMM_WORLD, &size_);
  g_running = this;
  atexit(FailJob);
}

Job::~Job() {
  g_running = nullptr;
  MPI_Finalize();
}

int Job::RankVerbosity(int verbosity) const {
  if (root()) return verbosity;
  // Levels are unsigned 16-bit: a negative one shows everything.
  return static_cast<unsigned short>(verbosity) >= 1 ? 1 : 0;
}

void Job::SetPartialOutput(const std::string &path) { g_partial_output = path; }

}  // namespace lexkit::mpi
