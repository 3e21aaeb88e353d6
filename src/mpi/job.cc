#include "mpi/job.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "libs/io/cleanup.h"
#include "libs/io/tcp_no_delay.h"
#include "mpi/launcher_stdout.h"

namespace lexkit::mpi {

namespace {

// The job of this process while it runs; an exit meanwhile is a failure.
const Job *g_running = nullptr;

void FailJob() {
  if (g_running == nullptr) return;
  const Job &job = *g_running;
  g_running = nullptr;
  fprintf(stderr, "%s : rank %d of %d failed; ending the job.\n", job.program(), job.rank(),
          job.size());
  fflush(stderr);
  MPI_Abort(MPI_COMM_WORLD, 255);
}

// The resident size of this process (0 where /proc says nothing).
uint64_t ResidentBytes() {
  FILE *statm = fopen("/proc/self/statm", "r");
  unsigned long long size = 0, resident = 0;
  const bool read = statm != nullptr && fscanf(statm, "%llu %llu", &size, &resident) == 2;
  if (statm != nullptr) fclose(statm);
  return read ? resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE)) : 0;
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
  const uint64_t before = ResidentBytes();
  if (MPI_Init(nullptr, nullptr) != MPI_SUCCESS) {
    fprintf(stderr, "%s : Error : MPI could not start.\n", program);
    exit(255);
  }
  const uint64_t after = ResidentBytes();
  // Open MPI's launcher connection leaves Nagle's algorithm on, which holds
  // MPI_Finalize's messages to the launcher 40 ms: every job would end that
  // much later. The program has opened no socket of its own yet.
  SetNoDelayOnTcpSockets(STDERR_FILENO + 1);
  runtime_bytes_ = after > before ? after - before : 0;
  MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
  MPI_Comm_size(MPI_COMM_WORLD, &size_);
  g_running = this;
  atexit(FailJob);
  // After FailJob, so that at exit the registry's clean-up runs first: the
  // abort ends the process.
  InstallCleanupHandlers();
  if (root()) WriteStdoutToLauncher();
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

std::string FromRankBefore(const Job &job, const std::string &mine) {
  const int next = (job.rank() + 1) % job.size();
  const int before = (job.rank() + job.size() - 1) % job.size();
  int size = static_cast<int>(mine.size()), theirs = 0;
  MPI_Sendrecv(&size, 1, MPI_INT, next, 0, &theirs, 1, MPI_INT, before, 0, MPI_COMM_WORLD,
               MPI_STATUS_IGNORE);
  std::string text(static_cast<size_t>(theirs), '\0');
  MPI_Sendrecv(mine.data(), size, MPI_CHAR, next, 1, text.data(), theirs, MPI_CHAR, before, 1,
               MPI_COMM_WORLD, MPI_STATUS_IGNORE);
  return text;
}

}  // namespace lexkit::mpi
