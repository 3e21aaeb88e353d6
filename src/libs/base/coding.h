// Fixed-width numbers in the byte order of the toolkit's binary files:
// most significant byte first, whatever the host's order.
//
// EncodeFixedN writes the N/8 bytes of a value at `dst`, DecodeFixedN reads
// them back, and PutFixedN appends them to a string. The compiler turns
// each into a load or store and at most one byte swap. EncodeElement and
// DecodeElement do the same for a number whose width is known only at run
// time, as the element readers and writers of binary files get it.
#ifndef LEXKIT_CODING_H
#define LEXKIT_CODING_H

#include <cstdint>
#include <cstring>
#include <string>

namespace lexkit {

inline void EncodeFixed16(char *dst, uint16_t value) {
  dst[0] = static_cast<char>(value >> 8);
  dst[1] = static_cast<char>(value);
}

inline void EncodeFixed32(char *dst, uint32_t value) {
  dst[0] = static_cast<char>(value >> 24);
  dst[1] = static_cast<char>(value >> 16);
  dst[2] = static_cast<char>(value >> 8);
  dst[3] = static_cast<char>(value);
}

inline void EncodeFixed64(char *dst, uint64_t value) {
  EncodeFixed32(dst, static_cast<uint32_t>(value >> 32));
  EncodeFixed32(dst + 4, static_cast<uint32_t>(value));
}

inline uint16_t DecodeFixed16(const char *ptr) {
  const unsigned char *b = reinterpret_cast<const unsigned char *>(ptr);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

inline uint32_t DecodeFixed32(const char *ptr) {
  const unsigned char *b = reinterpret_cast<const unsigned char *>(ptr);
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) |
         uint32_t{b[3]};
}

inline uint64_t DecodeFixed64(const char *ptr) {
  return (uint64_t{DecodeFixed32(ptr)} << 32) | DecodeFixed32(ptr + 4);
}

inline void PutFixed32(std::string *dst, uint32_t value) {
  char buf[4];
  EncodeFixed32(buf, value);
  dst->append(buf, sizeof buf);
}

inline void PutFixed64(std::string *dst, uint64_t value) {
  char buf[8];
  EncodeFixed64(buf, value);
  dst->append(buf, sizeof buf);
}

// Widths that EncodeElement and DecodeElement convert; elements of any
// other size are stored byte for byte.
inline bool IsNumberWidth(int size) { return size == 2 || size == 4 || size == 8; }

// The host-order number of `size` (2, 4 or 8) bytes at `host`, written at
// `dst` most significant byte first. `dst` may be `host`.
inline void EncodeElement(char *dst, const char *host, int size) {
  if (size == 2) {
    uint16_t v;
    std::memcpy(&v, host, 2);
    EncodeFixed16(dst, v);
  } else if (size == 4) {
    uint32_t v;
    std::memcpy(&v, host, 4);
    EncodeFixed32(dst, v);
  } else {
    uint64_t v;
    std::memcpy(&v, host, 8);
    EncodeFixed64(dst, v);
  }
}

// The number of `size` (2, 4 or 8) bytes stored at `src` most significant
// byte first, written at `host` in the host's order. `host` may be `src`.
inline void DecodeElement(char *host, const char *src, int size) {
  if (size == 2) {
    const uint16_t v = DecodeFixed16(src);
    std::memcpy(host, &v, 2);
  } else if (size == 4) {
    const uint32_t v = DecodeFixed32(src);
    std::memcpy(host, &v, 4);
  } else {
    const uint64_t v = DecodeFixed64(src);
    std::memcpy(host, &v, 8);
  }
}

}  // namespace lexkit

#endif  // LEXKIT_CODING_H
