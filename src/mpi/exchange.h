// All-to-all exchange of records between the ranks of a job, in rounds of
// at most `chunk` bytes from each rank to each rank, so that the memory it
// takes follows the chunk size, not the amount of data.
//
// Each round, `fill(dest, out, room)` puts whole records for rank `dest`
// (this rank included) into `out`, at most `room` bytes, and returns how
// many bytes it put there: 0 once it has nothing more for `dest`. Then
// `take(source, data, len)` receives the records each rank put there for
// this one, in the order they were put; `data` is followed by
// kExchangePadding readable bytes. Rounds go on until no rank has anything
// more for any other. The records travel as bytes: the ranks must agree on
// their layout (the same build on the same kind of machine).
#ifndef LEXKIT_MPI_EXCHANGE_H
#define LEXKIT_MPI_EXCHANGE_H

#include <cstddef>
#include <functional>

#include "mpi/job.h"

namespace lexkit::mpi {

constexpr size_t kExchangePadding = 16;

using FillFn = std::function<size_t(int dest, char *out, size_t room)>;
using TakeFn = std::function<void(int source, const char *data, size_t len)>;

// `chunk` must hold the largest record.
void ExchangeAll(const Job &job, size_t chunk, const FillFn &fill, const TakeFn &take);

// A chunk size for `ranks` ranks: about `round_bytes` sent by a rank per
// round, at least `min_chunk` bytes per pair.
size_t ChunkFor(int ranks, size_t round_bytes, size_t min_chunk);

}  // namespace lexkit::mpi

#endif  // LEXKIT_MPI_EXCHANGE_H
