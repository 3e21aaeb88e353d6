// The output of a job (contract in job_output.h).
#include "mpi/job_output.h"


#include <vector>

#include "libs/io/shell_quote.h"

namespace lexkit::mpi {

namespace {

// Rank 0's `text` on every rank (collective).
std::string Broadcast(std::string text) {
  unsigned long long size = text.size();
  MPI_Bcast(&size, 1, MPI_UNSIGNED_LONG_LONG, 0, MPI_COMM_WORLD);
  text.resize(static_cast<size_t>(size));
  MPI_Bcast(text.data(), static_cast<int>(size), MPI_CHAR, 0, MPI_COMM_WORLD);
  return text;
}

}  // namespace

JobOutput::JobOutput(const Job &job, const char *path) : job_(job) {
  std::string temporary;  // empty unless a temporary regular file is written
  bool at_offsets = false;
  if (job.root()) {
    file_ = std::make_unique<OutputFile>(path);
    if (file_->replaces()) {
      temporary = file_->written_path();
      // Only one compressor may write a compressed file: rank 0's.
      at_offsets = !EndsWith(file_->name(), ".gz") && !EndsWith(file_->name(), ".Z");
    }
  }
  temporary = Broadcast(at_offsets ? "o" + temporary : "s" + temporary);
  at_offsets = temporary[0] == 'o';
  temporary.erase(0, 1);
  if (at_offsets) at_offsets_ = temporary;
  if (!job.root() && !temporary.empty())
    answer_for_ = std::make_unique<TemporaryPath>(temporary, TemporaryPath::Kind::kFile);
}

void JobOutput::Write(Piece &piece) {
  if (!at_offsets_.empty())
    WriteAtOffsets(job_, piece, at_offsets_);
  else
    WriteInRankOrder(job_, piece, job_.root() ? file_->stream() : nullptr);
  // This rank's piece is written; from here rank 0 alone answers for the
  // temporary file, which it is about to rename.
  if (answer_for_) answer_for_->Keep();
  MPI_Barrier(MPI_COMM_WORLD);
  if (!job_.root()) return;
  if (at_offsets_.empty())
    file_->Commit();
  else
    file_->CommitWritten();
}

}  // namespace lexkit::mpi
