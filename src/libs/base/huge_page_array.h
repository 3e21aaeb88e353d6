// A fixed-size array of plain values for a large table read at random
// places (a hash table): from 2 MiB on, its memory is aligned to 2 MiB and
// advised for transparent huge pages, so that its reads seldom miss the
// TLB. A miss costs a walk of the page tables, and twice over in a virtual
// machine: on the benchmark machine a table of 4 MiB is read at random
// about twice as fast on huge pages. Where the system gives none, the
// advice changes nothing. The memory is rounded up to whole huge pages: a
// power-of-two table of 2 MiB or more wastes none. Running out of memory
// throws std::bad_alloc, as a std::vector would.
#ifndef LEXKIT_HUGE_PAGE_ARRAY_H
#define LEXKIT_HUGE_PAGE_ARRAY_H

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

#include "libs/base/malloc_ptr.h"

namespace lexkit {

template <typename T>
class HugePageArray {
  static_assert(std::is_trivially_copyable<T>::value, "HugePageArray holds plain values only");

 public:
  static constexpr size_t kHugePage = size_t{2} << 20;

  HugePageArray() = default;
  // `size` copies of `value`.
  HugePageArray(size_t size, const T &value) : size_(size) {
    if (size > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    const size_t bytes = size * sizeof(T);
    const size_t align = bytes >= kHugePage ? kHugePage : alignof(std::max_align_t);
    // aligned_alloc wants a multiple of the alignment.
    const size_t rounded = (bytes + align - 1) / align * align;
    data_.reset(static_cast<T *>(std::aligned_alloc(align, rounded > 0 ? rounded : align)));
    if (data_ == nullptr) throw std::bad_alloc();
    if (align == kHugePage) madvise(data_.get(), rounded, MADV_HUGEPAGE);
    for (size_t i = 0; i < size; ++i) data_.get()[i] = value;
  }

  T &operator[](size_t i) { return data_.get()[i]; }
  const T &operator[](size_t i) const { return data_.get()[i]; }
  size_t size() const { return size_; }

 private:
  MallocPtr<T> data_;
  size_t size_ = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_HUGE_PAGE_ARRAY_H
