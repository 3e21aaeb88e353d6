// Sorting byte strings into the order of std::string_view's comparison
// (bytes compared as unsigned chars, a string before every longer one that
// starts with it): for strings without NUL bytes, strcmp's order.
//
// The strings are compared eight bytes at a time under cached keys, not
// byte by byte: each is sorted by its first eight bytes read as one
// big-endian integer (zero-padded past its end), and by how many of those
// bytes it has (eight counting as "more"). The integers' order is the byte
// order, and among equal keys a string that ends within them starts the
// others, which gives its place. Only the runs of strings that share
// eight bytes and go on are sorted again, on their next eight bytes, and so
// on. Most runs are short, and no comparison touches a string's bytes.
#ifndef LEXKIT_STRING_SORT_H
#define LEXKIT_STRING_SORT_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "libs/base/coding.h"

namespace lexkit {

namespace string_sort_internal {

struct Keyed {
  uint64_t key;  // bytes [depth, depth + 8) as a big-endian integer
  std::string_view text;
};

// How many of the bytes [depth, depth + 8) `text` has; 9 if it goes on.
inline size_t Held(const Keyed &k, size_t depth) {
  return std::min<size_t>(k.text.size() - depth, 9);
}

// Sorts [first, last), strings that share their first `depth` bytes and
// are all longer than that, then each run that shares the next eight bytes
// and goes on. The runs wait in a list rather than on the call stack,
// however long the shared starts are.
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
      const size_t rest = k->text.size() - r.depth;
      char bytes[8] = {};
      if (rest != 0) std::memcpy(bytes, k->text.data() + r.depth, std::min<size_t>(rest, 8));
      k->key = DecodeFixed64(bytes);
    }
    const size_t depth = r.depth;
    std::sort(r.first, r.last, [depth](const Keyed &a, const Keyed &b) {
      return a.key != b.key ? a.key < b.key : Held(a, depth) < Held(b, depth);
    });
    for (Keyed *run = r.first; run != r.last;) {
      Keyed *end = run + 1;
      while (end != r.last && end->key == run->key && Held(*end, depth) == Held(*run, depth))
        ++end;
      if (Held(*run, depth) == 9 && end - run > 1) runs.push_back({run, end, depth + 8});
      run = end;
    }
  }
}

}  // namespace string_sort_internal

// Sorts `strings` as described above; equal strings end up in any order.
inline void SortStrings(std::vector<std::string_view> *strings) {
  using string_sort_internal::Keyed;
  std::vector<Keyed> keyed;
  keyed.reserve(strings->size());
  for (std::string_view s : *strings) keyed.push_back({0, s});
  if (keyed.size() > 1)
    string_sort_internal::SortFrom(keyed.data(), keyed.data() + keyed.size(), 0);
  for (size_t i = 0; i < keyed.size(); ++i) (*strings)[i] = keyed[i].text;
}

}  // namespace lexkit

#endif  // LEXKIT_STRING_SORT_H
