// Sorting C strings into strcmp order (bytes compared as unsigned chars, a
// string before every longer one that starts with it) without strcmp.
//
// The strings are compared eight bytes at a time under cached keys: each is
// sorted by its first eight bytes read as one big-endian integer, the bytes
// after its end taken as zeros. The integers' order is strcmp's order of
// those bytes, and since a C string holds no NUL, a key whose last byte is
// zero holds the whole string: equal keys then mean equal strings. Only the
// runs of equal keys whose strings go on are sorted again, on their next
// eight bytes, and so on. Most runs are short, and a comparison touches no
// string, only the 16-byte entries of the sort.
#ifndef LEXKIT_STRING_SORT_H
#define LEXKIT_STRING_SORT_H

#include <algorithm>
#include <cstdint>
#include <vector>

#include "libs/base/coding.h"

namespace lexkit {

namespace string_sort_internal {

struct Keyed {
  uint64_t key;  // bytes [depth, depth + 8) of the word, big-endian
  const char *word;
};

// Sorts [first, last), words that share their first `depth` bytes and go
// on past them, then each run that shares the next eight bytes and goes
// on. The runs wait in a list rather than on the call stack, however long
// the shared starts are.
inline void SortFrom(Keyed *first, Keyed *last, size_t depth) {
  struct Run {
    Keyed *first, *last;
    size_t depth;
  };
  std::vector<Run> runs{{first, last, depth}};
  while (!runs.empty()) {
    const Run r = runs.back();
    runs.pop_back();
    for (Keyed *k = r.first; k != r.last; ++k) {
      char bytes[8] = {};
      const char *s = k->word + r.depth;
      for (size_t i = 0; i < 8 && s[i] != '\0'; ++i) bytes[i] = s[i];
      k->key = DecodeFixed64(bytes);
    }
    std::sort(r.first, r.last, [](const Keyed &a, const Keyed &b) { return a.key < b.key; });
    for (Keyed *run = r.first; run != r.last;) {
      Keyed *end = run + 1;
      while (end != r.last && end->key == run->key) ++end;
      if ((run->key & 0xFF) != 0 && end - run > 1) runs.push_back({run, end, r.depth + 8});
      run = end;
    }
  }
}

}  // namespace string_sort_internal

// Sorts `words` into strcmp order; equal strings end up in any order.
inline void SortCStrings(std::vector<const char *> *words) {
  using string_sort_internal::Keyed;
  std::vector<Keyed> keyed;
  keyed.reserve(words->size());
  for (const char *w : *words) keyed.push_back({0, w});
  if (keyed.size() > 1)
    string_sort_internal::SortFrom(keyed.data(), keyed.data() + keyed.size(), 0);
  for (size_t i = 0; i < keyed.size(); ++i) (*words)[i] = keyed[i].word;
}

}  // namespace lexkit

#endif  // LEXKIT_STRING_SORT_H
