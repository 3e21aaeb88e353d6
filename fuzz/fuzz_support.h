// Shared pieces of the fuzz targets: running a library call so that a fatal
// error returns here, and scratch files for the readers that take names.
#ifndef LEXKIT_FUZZ_FUZZ_SUPPORT_H
#define LEXKIT_FUZZ_FUZZ_SUPPORT_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lexkit_fuzz {

// Runs `body`. When the library quits inside it, the quit returns here and
// every stream and descriptor the call opened is closed. Returns false after
// a quit. A call that returns normally yet leaves a stream open aborts.
bool Guarded(const std::function<void()> &body);

// The per-process scratch directory (on a memory file system when there is
// one), removed at exit.
const std::string &ScratchDir();

// Writes `size` bytes to a file of the scratch directory; returns its path.
std::string WriteScratch(const std::string &name, const uint8_t *data, size_t size);

// Removes every file left in the scratch directory.
void ClearScratch();

// A read stream over the bytes, and a write stream that keeps what it gets.
struct FileCloser {
  void operator()(FILE *fp) const { fclose(fp); }
};
using File = std::unique_ptr<FILE, FileCloser>;
File ReadStream(const uint8_t *data, size_t size);

// Releases the arenas of the library's tables after a run.
void ReleaseTables();

// Takes the first byte of the input as a parameter (0 when empty).
uint8_t TakeByte(const uint8_t **data, size_t *size);

// The input cut into pieces at each occurrence of the byte 0xFF 0xFE pair;
// at most `max_pieces`, the last holding the rest.
std::vector<std::string> SplitPieces(const uint8_t *data, size_t size,
                                     size_t max_pieces);

// Writes those pieces as the scratch files 1<ext>, 2<ext>, ... (temporary
// files of a merge); returns how many.
int WriteNumberedPieces(const uint8_t *data, size_t size, size_t max_pieces,
                        const std::string &ext);

}  // namespace lexkit_fuzz

#endif  // LEXKIT_FUZZ_FUZZ_SUPPORT_H
