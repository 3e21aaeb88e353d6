// Byte strings read eight bytes at a time: an 8-byte load as one integer,
// and the first n of eight bytes as a zero-padded integer, either read
// exactly or cut out of a load that may reach past them. The two give the
// same value, so code may compare words loaded either way. Byte strings
// with readable bytes after them compare eight bytes at a time.
#ifndef LEXKIT_LOAD_BYTES_H
#define LEXKIT_LOAD_BYTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lexkit {

inline uint64_t Load8(const char *p) {
  uint64_t value;
  std::memcpy(&value, p, 8);
  return value;
}

// Keeps the bytes of an 8-byte load that lie within its first `n` (0 to 8)
// bytes of memory, and zeroes the others.
inline uint64_t KeepFirst(uint64_t value, size_t n) {
  uint64_t all = ~uint64_t{0};
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  uint64_t keep = n >= 8 ? all : ~(all << (8 * n));
#else
  uint64_t keep = n >= 8 ? all : ~(all >> (8 * n));
#endif
  return value & keep;
}

// The first `n` (0 to 8) bytes at `p`, zero-padded; reads only those.
inline uint64_t LoadFirst(const char *p, size_t n) {
  uint64_t value = 0;
  if (n != 0) std::memcpy(&value, p, n < 8 ? n : 8);
  return value;
}

// The same value from one 8-byte load: the 8 bytes at `p` must be readable.
inline uint64_t LoadFirstPadded(const char *p, size_t n) { return KeepFirst(Load8(p), n); }

// Whether the `len` (at least 1) bytes at `a` and at `b` are the same,
// compared eight at a time: both may be read up to 7 bytes past `len`.
inline bool SameBytesPadded(const char *a, const char *b, size_t len) {
  size_t i = 0;
  for (; i + 8 < len; i += 8)
    if (Load8(a + i) != Load8(b + i)) return false;
  return LoadFirstPadded(a + i, len - i) == LoadFirstPadded(b + i, len - i);
}

}  // namespace lexkit

#endif  // LEXKIT_LOAD_BYTES_H
