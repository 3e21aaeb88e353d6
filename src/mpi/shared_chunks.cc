#include "mpi/shared_chunks.h"

#include <sched.h>

namespace lexkit::mpi {

namespace {

enum Tag { kRequest = 1, kGift = 2 };

}  // namespace

SharedChunks::SharedChunks(const Job &job, uint64_t count)
    : rank_(job.rank()), ranks_(job.size()) {
  // A communicator of its own keeps these messages apart from the job's.
  MPI_Comm_dup(MPI_COMM_WORLD, &comm_);
  const auto share = [&](int r) {
    return static_cast<uint64_t>(static_cast<unsigned __int128>(count) * r / ranks_);
  };
  next_ = share(rank_);
  end_ = share(rank_ + 1);
}

SharedChunks::~SharedChunks() { MPI_Comm_free(&comm_); }

// Gives each rank that has asked the later half of the chunks not begun.
void SharedChunks::Answer() {
  for (;;) {
    int asked = 0;
    MPI_Status status;
    MPI_Iprobe(MPI_ANY_SOURCE, kRequest, comm_, &asked, &status);
    if (!asked) return;
    MPI_Recv(nullptr, 0, MPI_BYTE, status.MPI_SOURCE, kRequest, comm_, MPI_STATUS_IGNORE);
    uint64_t gift[2] = {0, 0};
    if (end_ - next_ >= 2) {
      gift[0] = next_ + (end_ - next_) / 2;
      gift[1] = end_;
      end_ = gift[0];
    }
    MPI_Send(gift, 2, MPI_UINT64_T, status.MPI_SOURCE, kGift, comm_);
  }
}

// Asks `rank` for chunks, answering others meanwhile; true when given some.
bool SharedChunks::Ask(int rank) {
  MPI_Send(nullptr, 0, MPI_BYTE, rank, kRequest, comm_);
  for (;;) {
    Answer();
    int given = 0;
    MPI_Iprobe(rank, kGift, comm_, &given, MPI_STATUS_IGNORE);
    if (given) break;
    sched_yield();
  }
  uint64_t gift[2];
  MPI_Recv(gift, 2, MPI_UINT64_T, rank, kGift, comm_, MPI_STATUS_IGNORE);
  next_ = gift[0];
  end_ = gift[1];
  return next_ != end_;
}

bool SharedChunks::Next(uint64_t *chunk) {
  if (finished_) return false;
  Answer();
  bool have = next_ != end_;
  for (int step = 1; !have && step < ranks_; ++step) have = Ask((rank_ + step) % ranks_);
  if (have) {
    *chunk = next_++;
    return true;
  }
  // Nothing left anywhere that this rank can take: wait for the others,
  // who may still ask it.
  MPI_Request everyone;
  MPI_Ibarrier(comm_, &everyone);
  for (int all_done = 0;;) {
    Answer();
    MPI_Test(&everyone, &all_done, MPI_STATUS_IGNORE);
    if (all_done) {
      finished_ = true;
      return false;
    }
    sched_yield();
  }
}

}  // namespace lexkit::mpi
