// Heap blocks with a share count, so that the last of several owners
// releases them; two-dimensional arrays made as one such block; and the
// module's fatal error report.
//
// The count is a 32-bit integer just before the address handed out. It sits
// at the end of a header padded to the strictest fundamental alignment, so
// that what follows the header (row pointers, elements of any type) is
// aligned as malloc's own blocks are.
#include <stdio.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>

#include "lexkit/ngram.h"

namespace {

const size_t kAlign = alignof(std::max_align_t);
const size_t kHeader = (sizeof(int32_t) + kAlign - 1) / kAlign * kAlign;

size_t RoundUp(size_t bytes) { return (bytes + kAlign - 1) / kAlign * kAlign; }

int32_t *CountOf(void *pMem) { return static_cast<int32_t *>(pMem) - 1; }

// A new block with room for `size` bytes after its header, count 1; null if
// memory is short.
char *NewShared(size_t size) {
  if (size > SIZE_MAX - kHeader) return nullptr;
  char *block = static_cast<char *>(malloc(kHeader + size));
  if (block == nullptr) return nullptr;
  char *data = block + kHeader;
  *CountOf(data) = 1;
  return data;
}

}  // namespace

extern "C" void *AllocShare(unsigned long size) { return NewShared(size); }

extern "C" int AddShareCount(void *pMem) { return ++*CountOf(pMem); }

extern "C" int GetShareCount(void *pMem) { return *CountOf(pMem); }

extern "C" void FreeShare(void *pMem) {
  // Only the owner that brings the count to 0 releases the block.
  if (--*CountOf(pMem) == 0) free(static_cast<char *>(pMem) - kHeader);
}

extern "C" void *NewArray(size_t dim1, size_t dim2, size_t len) {
  size_t pointer_bytes, row_bytes, element_bytes, total;
  if (__builtin_mul_overflow(dim1, sizeof(CHARPTR), &pointer_bytes) ||
      __builtin_mul_overflow(dim2, len, &row_bytes) ||
      __builtin_mul_overflow(dim1, row_bytes, &element_bytes) ||
      pointer_bytes > SIZE_MAX - kAlign ||
      __builtin_add_overflow(RoundUp(pointer_bytes), element_bytes, &total))
    return nullptr;
  char *data = NewShared(total);
  if (data == nullptr) return nullptr;
  CHARPTR *rows = reinterpret_cast<CHARPTR *>(data);
  char *elements = data + RoundUp(pointer_bytes);
  for (size_t i = 0; i < dim1; ++i) rows[i] = elements + i * row_bytes;
  return rows;
}

extern "C" void DeleteArray(void *pMem) { FreeShare(pMem); }

extern "C" void __ErrorMsg(const char *msg, const char *file, int line) {
  // A report too long for the buffer is cut, keeping its start.
  char report[512];
  snprintf(report, sizeof report, "%s\nin File %s at line %d\n", msg, file, line);
  fputs(report, stderr);
  fflush(stderr);
  abort();
}
