// Ownership of memory from malloc and its kin (calloc, aligned_alloc): a
// unique_ptr that frees it.
#ifndef LEXKIT_MALLOC_PTR_H
#define LEXKIT_MALLOC_PTR_H

#include <cstdlib>
#include <memory>

namespace lexkit {

struct FreeDeleter {
  void operator()(void *p) const { std::free(p); }
};

template <typename T>
using MallocPtr = std::unique_ptr<T, FreeDeleter>;

}  // namespace lexkit

#endif  // LEXKIT_MALLOC_PTR_H
