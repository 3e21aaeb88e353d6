// The array for large random-access tables: filled, aligned to a huge page
// from 2 MiB on, and throwing when it cannot be had.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>

#include "libs/base/huge_page_array.h"

namespace {

TEST(HugePageArray, FilledAndAlignedByItsSize) {
  using Array = lexkit::HugePageArray<uint64_t>;
  for (size_t size : {size_t{1}, size_t{1000}, Array::kHugePage / 8, Array::kHugePage / 8 + 3}) {
    const Array a(size, 0x0102030405060708u);
    ASSERT_EQ(a.size(), size);
    for (size_t i = 0; i < size; ++i) ASSERT_EQ(a[i], 0x0102030405060708u) << size << " " << i;
    if (size * 8 >= Array::kHugePage) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(&a[0]) % Array::kHugePage, 0u) << size;
    }
  }
  EXPECT_THROW(Array(SIZE_MAX / 4, 0), std::bad_alloc);
}

}  // namespace
