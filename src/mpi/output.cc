#include "mpi/output.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "lexkit/general.h"
#include "libs/io/cleanup.h"

namespace lexkit::mpi {

namespace {

constexpr size_t kChunk = 1 << 20;
constexpr int kPieceTag = 17;

// Reads the next chunk of a finished piece.
size_t ReadPiece(FILE *fp, char *buffer, const char *program) {
  const size_t got = fread(buffer, 1, kChunk, fp);
  if (got == 0 && ferror(fp))
    quit(-1, "%s : Error reading back this rank's piece of the output: %s\n", program,
         strerror(errno));
  return got;
}

}  // namespace

Piece::Piece(const std::string &dir) {
  std::string templ = dir + "/.lexkit-piece-XXXXXX";
  CleanupSignalsHeld held;  // no signal between creating and unlinking
  const int fd = mkstemp(templ.data());
  if (fd < 0)
    quit(-1, "Could not make a temporary file in '%s': %s\n", dir.c_str(), strerror(errno));
  unlink(templ.c_str());
  fp_ = fdopen(fd, "w+b");
  if (fp_ == nullptr) quit(-1, "fdopen: %s\n", strerror(errno));
}

Piece::~Piece() { fclose(fp_); }

void Piece::Finish(const char *program) {
  if (fflush(fp_) != 0 || ferror(fp_))
    quit(-1, "%s : Error writing this rank's piece of the output: %s\n", program,
         strerror(errno));
  const long end = ftell(fp_);
  size_ = end < 0 ? 0 : static_cast<uint64_t>(end);
  rewind(fp_);
}

void WriteInRankOrder(const Job &job, Piece &piece, FILE *out) {
  // Every rank's piece is complete: nothing is written before.
  MPI_Barrier(MPI_COMM_WORLD);
  std::vector<char> chunk(kChunk);
  if (!job.root()) {
    for (;;) {
      const size_t got = ReadPiece(piece.stream(), chunk.data(), job.program());
      // A blocking send: the piece moves as fast as rank 0 takes it.
      MPI_Send(chunk.data(), static_cast<int>(got), MPI_BYTE, 0, kPieceTag, MPI_COMM_WORLD);
      if (got == 0) return;
    }
  }
  for (int source = 0; source < job.size(); ++source) {
    for (;;) {
      int got = 0;
      if (source == 0) {
        got = static_cast<int>(ReadPiece(piece.stream(), chunk.data(), job.program()));
      } else {
        MPI_Status status;
        MPI_Recv(chunk.data(), static_cast<int>(kChunk), MPI_BYTE, source, kPieceTag,
                 MPI_COMM_WORLD, &status);
        MPI_Get_count(&status, MPI_BYTE, &got);
      }
      if (got == 0) break;
      // Failures stay on the stream for the caller's check.
      fwrite(chunk.data(), 1, static_cast<size_t>(got), out);
    }
  }
}

void WriteAtOffsets(const Job &job, Piece &piece, const std::string &path) {
  unsigned long long size = piece.size(), offset = 0, total = 0;
  MPI_Exscan(&size, &offset, 1, MPI_UNSIGNED_LONG_LONG, MPI_SUM, MPI_COMM_WORLD);
  if (job.root()) offset = 0;  // MPI_Exscan leaves rank 0's result undefined
  MPI_Allreduce(&size, &total, 1, MPI_UNSIGNED_LONG_LONG, MPI_SUM, MPI_COMM_WORLD);
  MPI_File file;
  if (MPI_File_open(MPI_COMM_WORLD, path.c_str(), MPI_MODE_CREATE | MPI_MODE_WRONLY,
                    MPI_INFO_NULL, &file) != MPI_SUCCESS)
    quit(-1, "%s : Error : could not open '%s' for writing.\n", job.program(), path.c_str());
  bool ok = MPI_File_set_size(file, static_cast<MPI_Offset>(total)) == MPI_SUCCESS;
  std::vector<char> chunk(kChunk);
  for (size_t got; ok && (got = ReadPiece(piece.stream(), chunk.data(), job.program())) != 0;
       offset += got) {
    MPI_Status status;
    int written = 0;
    ok = MPI_File_write_at(file, static_cast<MPI_Offset>(offset), chunk.data(),
                           static_cast<int>(got), MPI_BYTE, &status) == MPI_SUCCESS &&
         MPI_Get_count(&status, MPI_BYTE, &written) == MPI_SUCCESS &&
         static_cast<size_t>(written) == got;
  }
  if (!ok) quit(-1, "%s : Error writing '%s'.\n", job.program(), path.c_str());
  if (MPI_File_close(&file) != MPI_SUCCESS)
    quit(-1, "%s : Error writing '%s'.\n", job.program(), path.c_str());
}

}  // namespace lexkit::mpi
