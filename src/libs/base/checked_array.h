// A fixed-size array of plain values whose memory comes from ox_calloc, so
// that running out of memory ends the process with the usual message instead
// of throwing.
#ifndef LEXKIT_CHECKED_ARRAY_H
#define LEXKIT_CHECKED_ARRAY_H

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <type_traits>

#include "lexkit/general.h"
#include "libs/base/malloc_ptr.h"

namespace lexkit {

template <typename T>
class CheckedArray {
  static_assert(std::is_trivially_copyable<T>::value,
                "CheckedArray holds plain values only");

 public:
  CheckedArray() = default;
  // `size` zero-filled elements.
  explicit CheckedArray(size_t size)
      : data_(reinterpret_cast<T *>(ox_calloc(size, sizeof(T)))), size_(size) {}

  T &operator[](size_t i) { return data_.get()[i]; }
  const T &operator[](size_t i) const { return data_.get()[i]; }
  T *data() { return data_.get(); }
  const T *data() const { return data_.get(); }
  size_t size() const { return size_; }
  T *begin() { return data(); }
  T *end() { return data() + size_; }

 private:
  MallocPtr<T> data_;
  size_t size_ = 0;
};

}  // namespace lexkit

#endif  // LEXKIT_CHECKED_ARRAY_H
