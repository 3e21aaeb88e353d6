#include "mpi/exchange.h"

#include <climits>
#include <vector>

#include "lexkit/general.h"

namespace lexkit::mpi {

size_t ChunkFor(int ranks, size_t round_bytes, size_t min_chunk) {
  const size_t chunk = round_bytes / static_cast<size_t>(ranks);
  return chunk < min_chunk ? min_chunk : chunk;
}

void ExchangeAll(const Job &job, size_t chunk, const FillFn &fill, const TakeFn &take) {
  const int ranks = job.size();
  // MPI counts and offsets are ints.
  if (chunk * static_cast<size_t>(ranks) > static_cast<size_t>(INT_MAX))
    quit(-1, "%s : Error : %d ranks exchange more than %d bytes a round.\n", job.program(), ranks,
         INT_MAX);
  std::vector<char> sent(chunk * ranks);
  std::vector<char> received(chunk * ranks + kExchangePadding);
  std::vector<int> send_counts(ranks), receive_counts(ranks), send_at(ranks), receive_at(ranks);
  for (int r = 0; r < ranks; ++r) send_at[r] = receive_at[r] = static_cast<int>(chunk * r);
  for (;;) {
    int more = 0;
    for (int dest = 0; dest < ranks; ++dest) {
      send_counts[dest] = static_cast<int>(fill(dest, sent.data() + send_at[dest], chunk));
      if (send_counts[dest] != 0) more = 1;
    }
    int any_more = 0;
    MPI_Allreduce(&more, &any_more, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD);
    if (!any_more) return;
    MPI_Alltoall(send_counts.data(), 1, MPI_INT, receive_counts.data(), 1, MPI_INT,
                 MPI_COMM_WORLD);
    MPI_Alltoallv(sent.data(), send_counts.data(), send_at.data(), MPI_BYTE, received.data(),
                  receive_counts.data(), receive_at.data(), MPI_BYTE, MPI_COMM_WORLD);
    for (int source = 0; source < ranks; ++source)
      if (receive_counts[source] != 0)
        take(source, received.data() + receive_at[source],
             static_cast<size_t>(receive_counts[source]));
  }
}

}  // namespace lexkit::mpi
