// Parts of a text file for readers that each take one part, cut so that
// together they see exactly the words one reader of the whole file sees.
//
// Words are runs of non-space bytes (IsCSpace of word_scan.h), which the
// toolkit's readers take in pieces of at most `max_len` bytes counted from
// the start of the run. A part therefore begins only where a run may begin:
// at the start of the file, or just after a white-space byte, or at the end
// of the file. A run belongs to the part in which it begins, whatever its
// length; a part may be empty.
//
// The file is read with pread, so the descriptor's offset is never used and
// several readers may share one descriptor. A read error ends the process.
#ifndef LEXKIT_LIBS_IO_TEXT_RANGES_H
#define LEXKIT_LIBS_IO_TEXT_RANGES_H

#include <stdio.h>

#include <cstddef>
#include <cstdint>

namespace lexkit {

struct ByteRange {
  uint64_t begin;
  uint64_t end;  // one past the last byte
};

// Part `part` (from 0) of `parts` of the `size` bytes of `fd`: it begins at
// the first run boundary at or after part * size / parts and ends where the
// next part begins. The parts are contiguous and cover the file.
ByteRange WordAlignedPart(int fd, uint64_t size, int part, int parts);

// Where a reader must begin to see, before `pos` (a run boundary), the last
// `words` words of the file before it, pieces of long runs included: the
// start of the earliest of them, or 0 when fewer precede `pos`. A piece of
// a long run begins `max_len` bytes after the one before, so a reader that
// begins there splits the rest of the run as a reader of the whole file.
uint64_t StartOfPrecedingWords(int fd, uint64_t pos, uint64_t words, size_t max_len);

// A read-only stream of the bytes [range.begin, range.end) of `fd`; fclose
// leaves `fd` open.
FILE *OpenByteRange(int fd, ByteRange range);

}  // namespace lexkit

#endif  // LEXKIT_LIBS_IO_TEXT_RANGES_H
