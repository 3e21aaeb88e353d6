// Finding word boundaries in a memory block, 16 bytes at a time. White space
// is that of the C locale: blank, \t, \n, \v, \f and \r.
//
// Both scans may read up to kScanPadding bytes past the end they are given;
// the caller's buffer must have that much readable memory after its data.
#ifndef LEXKIT_WORD_SCAN_H
#define LEXKIT_WORD_SCAN_H

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lexkit {

constexpr size_t kScanPadding = 16;

// The one white-space test of the toolkit's readers: what isspace() says in
// the C locale, without the locale lookup.
inline bool IsCSpace(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');  // \t \n \v \f \r
}

#if defined(__SSE2__)

// Bit i set when byte p[i] is white space.
inline unsigned SpaceMask16(const char *p) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
  __m128i blank = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '));
  // \t..\r (9..13) move to -128..-124, the only signed values below -123.
  __m128i shifted = _mm_add_epi8(bytes, _mm_set1_epi8(0x80 - '\t'));
  __m128i control = _mm_cmplt_epi8(shifted, _mm_set1_epi8(-123));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(blank, control)));
}

// The first byte at or after `p` that is not white space, or `end`.
inline const char *SkipSpace(const char *p, const char *end) {
  for (; p < end; p += 16) {
    unsigned words = ~SpaceMask16(p) & 0xFFFFu;
    if (words) {
      const char *hit = p + __builtin_ctz(words);
      return hit < end ? hit : end;
    }
  }
  return end;
}

// The first white-space byte at or after `p`, or `limit`.
inline const char *FindSpace(const char *p, const char *limit) {
  for (; p < limit; p += 16) {
    unsigned spaces = SpaceMask16(p);
    if (spaces) {
      const char *hit = p + __builtin_ctz(spaces);
      return hit < limit ? hit : limit;
    }
  }
  return limit;
}

#else  // portable fallback

inline const char *SkipSpace(const char *p, const char *end) {
  while (p < end && IsCSpace(static_cast<unsigned char>(*p))) ++p;
  return p;
}

inline const char *FindSpace(const char *p, const char *limit) {
  while (p < limit && !IsCSpace(static_cast<unsigned char>(*p))) ++p;
  return p;
}

#endif

// Calls word(start, length) for each word that repeated fscanf("%<max_len>s")
// calls would return from the bytes [p, end): each run of non-space bytes,
// a run longer than max_len (at least 1) in pieces of max_len bytes. NUL
// bytes are part of the words. kScanPadding readable bytes must follow
// `end`.
template <typename Word>
void ForEachWord(const char *p, const char *end, size_t max_len, Word word) {
  for (;;) {
    p = SkipSpace(p, end);
    if (p == end) return;
    const char *limit = static_cast<size_t>(end - p) > max_len ? p + max_len : end;
    const char *stop = FindSpace(p, limit);
    word(p, static_cast<size_t>(stop - p));
    p = stop;
  }
}

}  // namespace lexkit

#endif  // LEXKIT_WORD_SCAN_H
