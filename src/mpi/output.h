// The one output of a job, made of one piece per rank in rank order.
//
// Each rank first writes its piece into a file of its own that has no name
// (removed by the system however the process ends). Only when every rank
// has its piece complete is the output written, so a rank that fails
// before then leaves no output at all:
// - to a stream of rank 0 (standard output, a compressing pipe): rank 0
//   writes its piece, then the other ranks' pieces as they send them, in
//   bounded chunks;
// - to a plain file: every rank writes its piece at its offset (MPI-IO).
// Which of the two, and under what name, is job_output.h's choice.
#ifndef LEXKIT_MPI_OUTPUT_H
#define LEXKIT_MPI_OUTPUT_H

#include <stdio.h>

#include <cstdint>
#include <string>

#include "mpi/job.h"

namespace lexkit::mpi {

class Piece {
 public:
  // The unnamed file is made in `dir`; its creation failing ends the
  // process naming `dir`.
  explicit Piece(const std::string &dir);
  ~Piece();
  Piece(const Piece &) = delete;
  Piece &operator=(const Piece &) = delete;

  FILE *stream() { return fp_; }
  // Flushes the piece; a failed write ends the process.
  void Finish(const char *program);
  uint64_t size() const { return size_; }

 private:
  FILE *fp_;
  uint64_t size_ = 0;
};

// Collective: writes every rank's piece, in rank order, to `out` of rank 0
// (ignored on the other ranks), after every rank has finished its piece.
void WriteInRankOrder(const Job &job, Piece &piece, FILE *out);

// Collective: writes every rank's piece at its offset of the plain file
// `path`, which is made or replaced.
void WriteAtOffsets(const Job &job, Piece &piece, const std::string &path);

}  // namespace lexkit::mpi

#endif  // LEXKIT_MPI_OUTPUT_H
