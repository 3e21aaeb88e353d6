// Counts many words into a WordCountTable with the table's memory fetched
// ahead. While the table fits in the caches, each word is counted at once.
// Beyond that, through a queue of kDepth words: a word's home slot is
// requested from memory as it enters the queue, the arena copy it probably
// matches halfway through, and the word is counted as it leaves, by which
// time both have usually arrived.
//
// A word's bytes must stay valid, and readable as WordCountTable::Add reads
// them, until Flush(), which counts the words still queued.
#ifndef LEXKIT_LIBS_COUNTING_PREFETCHING_COUNTER_H
#define LEXKIT_LIBS_COUNTING_PREFETCHING_COUNTER_H

#include <cstddef>
#include <cstdint>

#include "libs/counting/word_count_table.h"

namespace lexkit {

class PrefetchingCounter {
 public:
  explicit PrefetchingCounter(WordCountTable &table) : table_(table) {}
  PrefetchingCounter(const PrefetchingCounter &) = delete;
  PrefetchingCounter &operator=(const PrefetchingCounter &) = delete;

  // Counts `times` occurrences of the `len` (at most kMaxWordLength) bytes.
  void Word(const char *bytes, size_t len, uint32_t times = 1) {
    uint64_t hash = WordCountTable::Hash(bytes, len);
    if (table_.capacity() <= kCachedSlots) return table_.Add(bytes, len, hash, times);
    table_.Prefetch(hash);
    const Pending &halfway = pending_[(next_ + kDepth / 2) % kDepth];
    if (waiting_ > kDepth / 2) table_.PrefetchLongWord(halfway.hash, halfway.len);
    Pending &oldest = pending_[next_];
    if (waiting_ == kDepth)
      table_.Add(oldest.bytes, oldest.len, oldest.hash, oldest.times);
    else
      ++waiting_;
    oldest = {bytes, hash, static_cast<uint32_t>(len), times};
    next_ = (next_ + 1) % kDepth;
  }

  void Flush() {
    for (size_t i = kDepth - waiting_; i < kDepth; ++i) {
      const Pending &p = pending_[(next_ + i) % kDepth];
      table_.Add(p.bytes, p.len, p.hash, p.times);
    }
    waiting_ = 0;
    next_ = 0;
  }

 private:
  static constexpr size_t kDepth = 32;
  static constexpr size_t kCachedSlots = size_t{1} << 16;  // 1 MiB of slots
  struct Pending {
    const char *bytes;
    uint64_t hash;
    uint32_t len;
    uint32_t times;
  };
  WordCountTable &table_;
  Pending pending_[kDepth];
  size_t next_ = 0;     // where the next word goes: the oldest when full
  size_t waiting_ = 0;  // words queued, at most kDepth
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_COUNTING_PREFETCHING_COUNTER_H
