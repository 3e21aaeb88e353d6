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
  LevelWalk(const Tables &tables, int level)
      : tables_(tables), level_(level), path_(level + 1, 0), ends_(level, 0) {
    for (int l = 0; l < level_; ++l) ends_[l] = tables_.SuccessorsEnd(l, 0);
    // The first entry of each level below hangs from the first entry above
    // that has successors. (An empty level has only empty ones below it.)
    for (int l = 1; l < level_ && tables_.size(l) > 0; ++l) Settle(l);
    path_[level_] = UINT64_MAX;  // before the first entry: the next is 0
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
