// Walks the entries of one level in order while keeping the entries above
// it: the path from level 0 down to the current entry, so that its words
// and its context are known without parent links. Each step moves the
// ancestors forward only, so a whole level is walked in linear time.
//
// Tables is any trie of levels in the layout of model_file.h that offers
// size(l), word(l, i) and SuccessorsEnd(l, i) (the end of entry i's
// successor range in level l + 1): the builder's tables, or a loaded model.
#ifndef LEXKIT_LIBLMEST_MODEL_LEVEL_WALK_H
#define LEXKIT_LIBLMEST_MODEL_LEVEL_WALK_H

#include <stdint.h>

#include <vector>

#include "lexkit/general.h"

namespace lexkit {

template <typename Tables>
class LevelWalk {
 public:
  // Before the entry `start` of the level (by default its first): the next
  // entry is `start`.
  LevelWalk(const Tables &tables, int level, uint64_t start = 0)
      : tables_(tables), level_(level), path_(level + 1, 0), ends_(level, 0) {
    if (start >= tables_.size(level_)) {
      path_[level_] = tables_.size(level_) - 1;  // the next is past the end
      return;
    }
    if (start > 0) {
      // The path of `start` itself, found upwards from it.
      path_[level_] = start;
      for (int l = level_; l > 0; --l) {
        path_[l - 1] = ContextOf(tables_, l, path_[l]);
        ends_[l - 1] = tables_.SuccessorsEnd(l - 1, path_[l - 1]);
      }
    } else {
      for (int l = 0; l < level_; ++l) ends_[l] = tables_.SuccessorsEnd(l, 0);
      // The first entry of each level below hangs from the first entry
      // above that has successors. (An empty level has only empty ones
      // below it.)
      for (int l = 1; l < level_ && tables_.size(l) > 0; ++l) Settle(l);
    }
    path_[level_] = start - 1;  // wraps for 0: the next is `start`
  }

  // The entry of level l - 1 whose successors hold entry i of level l >= 1:
  // the first whose successors end after i (successor ranges ascend).
  static uint64_t ContextOf(const Tables &tables, int l, uint64_t i) {
    uint64_t low = 0, high = tables.size(l - 1);
    while (low < high) {
      const uint64_t mid = low + (high - low) / 2;
      if (tables.SuccessorsEnd(l - 1, mid) <= i)
        low = mid + 1;
      else
        high = mid;
    }
    return low;
  }

  // Moves to the next entry of the level; false after the last.
  bool Next() {
    const uint64_t i = ++path_[level_];
    if (i >= tables_.size(level_)) return false;
    Settle(level_);
    return true;
  }

  // The entry of level l on the path (l = level: the current entry).
  uint64_t position(int l) const { return path_[l]; }
  // Its word: the current entry's words are word(0) .. word(level).
  wordid_t word(int l) const { return tables_.word(l, path_[l]); }

 private:
  // Makes the entry at level l - 1 the context of the one at level l,
  // moving it (and, in turn, those above it) forward as far as needed.
  void Settle(int l) {
    if (l == 0) return;
    while (path_[l] >= ends_[l - 1]) {
      ++path_[l - 1];
      Settle(l - 1);
      ends_[l - 1] = tables_.SuccessorsEnd(l - 1, path_[l - 1]);
    }
  }

  const Tables &tables_;
  const int level_;
  std::vector<uint64_t> path_;
  std::vector<uint64_t> ends_;  // ends_[l]: end of path_[l]'s successors
};

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_LEVEL_WALK_H
