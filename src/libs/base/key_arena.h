// The store of the key strings that string-to-id tables own: they live as
// long as the process, as the tables do, so one arena serves them all.
#ifndef LEXKIT_KEY_ARENA_H
#define LEXKIT_KEY_ARENA_H

#include "libs/base/arena.h"

namespace lexkit {

inline Arena &KeyArena() {
  static Arena arena;
  return arena;
}

}  // namespace lexkit

#endif  // LEXKIT_KEY_ARENA_H
