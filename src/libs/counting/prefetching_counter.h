// Counts many words into a WordCountTable with the table's memory fetched
// ahead. While the table fits in the caches, each word is counted at once.
// Beyond that, through a queue of kDepth words: a word's home slot is
// requested from memory as it enters the queue, the arena copy it probably
// matches halfway through, and the word is counted as it leaves, by which
// time both have usually arrived.
//
// A word's bytes must stay valid, and readable as WordCountTable::Add reads
// them, until Flush(), which counts the words still queued. Each word is
// one occurrence, or with kCounted as many as its Word() call says (the
// single-occurrence queue carries no counts, so that the text counter's
// hot loop stays as lean as it can be).
#ifndef LEXKIT_LIBS_COUNTING_PREFETCHING_COUNTER_H
#define LEXKIT_LIBS_COUNTING_PREFETCHING_COUNTER_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "libs/counting/word_count_table.h"

namespace lexkit {

template <bool kCounted = false>
class PrefetchingCounter {
  struct Once {
    const char *bytes;
    size_t len;
    uint64_t hash;
    static constexpr uint32_t times = 1;
  };
  struct Counted {
    const char *bytes;
    size_t len;
    uint64_t hash;
    uint32_t times;
  };
  using Pending = std::conditional_t<kCounted, Counted, Once>;

 public:
  explicit PrefetchingCounter(WordCountTable &table) : table_(table) {}
  PrefetchingCounter(const PrefetchingCounter &) = delete;
  PrefetchingCounter &operator=(const PrefetchingCounter &) = delete;

  // Counts one occurrence of the `len` (at most kMaxWordLength) bytes.
  void Word(const char *bytes, size_t len) {
    static_assert(!kCounted, "a counted queue takes the number of occurrences");
    Queue(Once{bytes, len, WordCountTable::Hash(bytes, len)});
  }
  // Counts `times` occurrences.
  void Word(const char *bytes, size_t len, uint32_t times) {
    static_assert(kCounted, "a queue of single occurrences takes no number");
    Queue(Counted{bytes, len, WordCountTable::Hash(bytes, len), times});
  }

  void Flush() {
    for (size_t i = kDepth - waiting_; i < kDepth; ++i) Add(pending_[(next_ + i) % kDepth]);
    waiting_ = 0;
    next_ = 0;
  }

 private:
  static constexpr size_t kDepth = 32;
  static constexpr size_t kCachedSlots = size_t{1} << 16;  // 1 MiB of slots

  void Add(const Pending &p) { table_.Add(p.bytes, p.len, p.hash, p.times); }

  void Queue(const Pending &word) {
    if (table_.capacity() <= kCachedSlots) return Add(word);
    table_.Prefetch(word.hash);
    const Pending &halfway = pending_[(next_ + kDepth / 2) % kDepth];
    if (waiting_ > kDepth / 2) table_.PrefetchLongWord(halfway.hash, halfway.len);
    Pending &oldest = pending_[next_];
    if (waiting_ == kDepth)
      Add(oldest);
    else
      ++waiting_;
    oldest = word;
    next_ = (next_ + 1) % kDepth;
  }

  WordCountTable &table_;
  Pending pending_[kDepth];
  size_t next_ = 0;     // where the next word goes: the oldest when full
  size_t waiting_ = 0;  // words queued, at most kDepth
};

}  // namespace lexkit

#endif  // LEXKIT_LIBS_COUNTING_PREFETCHING_COUNTER_H
