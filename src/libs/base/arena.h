// A bump allocator for many small objects that live until the process ends
// (table nodes and word copies): one large block instead of one malloc each.
#ifndef LEXKIT_ARENA_H
#define LEXKIT_ARENA_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "lexkit/general.h"
#include "libs/base/malloc_ptr.h"

namespace lexkit {

class Arena {
 public:
  explicit Arena(size_t block_size = 1 << 20) : block_size_(block_size) {}
  Arena(const Arena &) = delete;
  Arena &operator=(const Arena &) = delete;

  // `bytes` bytes aligned for any scalar type.
  void *Allocate(size_t bytes) {
    const size_t align = alignof(std::max_align_t);
    size_t pad = (align - reinterpret_cast<uintptr_t>(next_) % align) % align;
    if (pad + bytes > remaining_) return AllocateSlow(bytes);
    next_ += pad;
    remaining_ -= pad;
    return AllocateBytes(bytes);
  }

  // Unaligned bytes, for strings.
  char *AllocateBytes(size_t bytes) {
    if (bytes > remaining_) return AllocateSlow(bytes);
    char *result = next_;
    next_ += bytes;
    remaining_ -= bytes;
    return result;
  }

  // A NUL-terminated copy of the first `len` bytes of `text`.
  char *CopyString(const char *text, size_t len) {
    char *copy = AllocateBytes(len + 1);
    std::memcpy(copy, text, len);
    copy[len] = '\0';
    return copy;
  }

  size_t MemoryUsage() const { return allocated_; }

  // Releases every block; what was allocated before is invalid afterwards.
  void Reset() {
    blocks_.clear();
    next_ = nullptr;
    remaining_ = 0;
    allocated_ = 0;
  }

 private:

  char *NewBlock(size_t size) {
    // ox_malloc ends the process when memory runs out.
    blocks_.emplace_back(ox_malloc(size));
    allocated_ += size;
    return blocks_.back().get();
  }

  // Large requests get a block of their own, so the current block's tail is
  // not wasted; otherwise a fresh block replaces the current one.
  char *AllocateSlow(size_t bytes) {
    if (bytes > block_size_ / 4) return NewBlock(bytes);
    next_ = NewBlock(block_size_);
    remaining_ = block_size_;
    char *result = next_;
    next_ += bytes;
    remaining_ -= bytes;
    return result;
  }

  size_t block_size_;
  std::vector<MallocPtr<char>> blocks_;
  char *next_ = nullptr;
  size_t remaining_ = 0;
  size_t allocated_ = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_ARENA_H
