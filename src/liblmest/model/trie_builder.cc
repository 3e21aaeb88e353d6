#include "liblmest/model/trie_builder.h"

#include <algorithm>
#include <numeric>

#include "libs/base/radix_sort.h"

namespace lexkit {
namespace model {

namespace {

unsigned BitWidth(uint64_t value) {
  unsigned bits = 0;
  for (; value != 0; value >>= 1) ++bits;
  return bits;
}

// The positions of the n-grams in ascending order of their ids. A radix
// sort of keys that hold an n-gram's ids side by side, each in as many bits
// as the largest id needs, above the n-gram's position; a comparison sort
// when the key would not fit 128 bits.
template <typename Key>
std::vector<uint32_t> RadixOrder(const ReadNgrams &g, size_t count, unsigned id_bits,
                                 unsigned position_bits) {
  std::vector<Key> keys(count), scratch;
  for (size_t i = 0; i < count; ++i) {
    Key key = 0;
    for (uint32_t w = 0; w < g.n; ++w) key = (key << id_bits) | g.ids[i * g.n + w];
    keys[i] = (key << position_bits) | i;
  }
  RadixSort(&keys, &scratch, g.n * id_bits + position_bits);
  std::vector<uint32_t> order(count);
  const Key mask = (Key{1} << position_bits) - 1;
  for (size_t i = 0; i < count; ++i) order[i] = static_cast<uint32_t>(keys[i] & mask);
  return order;
}

std::vector<uint32_t> SortOrder(const ReadNgrams &g, uint32_t vocab_size) {
  const size_t count = g.probs.size();
  if (g.ascending) {
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    return order;
  }
  const unsigned id_bits = std::max(1u, BitWidth(vocab_size));
  const unsigned position_bits = std::max(1u, BitWidth(count));
  const unsigned bits = g.n * id_bits + position_bits;
  if (bits <= 64) return RadixOrder<uint64_t>(g, count, id_bits, position_bits);
  if (bits <= 128) return RadixOrder<unsigned __int128>(g, count, id_bits, position_bits);
  std::vector<uint32_t> order(count);
  std::iota(order.begin(), order.end(), 0u);
  const uint32_t *ids = g.ids.data();
  const uint32_t n = g.n;
  std::sort(order.begin(), order.end(), [ids, n](uint32_t a, uint32_t b) {
    return std::lexicographical_compare(ids + size_t{a} * n, ids + size_t{a} * n + n,
                                        ids + size_t{b} * n, ids + size_t{b} * n + n);
  });
  return order;
}

}  // namespace

TrieBuilder::TrieBuilder(ModelArrays *arrays, uint32_t vocab_size)
    : arrays_(arrays), vocab_size_(vocab_size), contexts_(size_t{vocab_size} + 1) {
  std::iota(contexts_.begin(), contexts_.end(), 0u);  // level 0 is dense
}

std::string TrieBuilder::Describe(const uint32_t *ids, uint32_t n) const {
  std::string text;
  for (uint32_t w = 0; w < n; ++w) {
    if (w > 0) text += ' ';
    text += arrays_->Word(ids[w]);
  }
  return text;
}

std::string TrieBuilder::AddLevel(ReadNgrams g) {
  const uint32_t k = level_ + 1;  // the level being built
  const uint32_t n = g.n;         // == k + 1
  const size_t count = g.probs.size();
  const std::vector<uint32_t> order = SortOrder(g, vocab_size_);

  // The n-grams' ids in trie order; they become the contexts of the next level.
  std::vector<uint32_t> sorted(count * n);
  for (size_t i = 0; i < count; ++i)
    std::copy_n(g.ids.data() + size_t{order[i]} * n, n, sorted.data() + i * n);
  g.ids = std::vector<uint32_t>();

  ModelArrays::Level &level = arrays_->levels[k];
  level.words.resize(count);
  level.probs.resize(count);
  level.bows.resize(g.bows.empty() ? 0 : count);
  for (size_t i = 0; i < count; ++i) {
    level.words[i] = sorted[i * n + n - 1];
    level.probs[i] = g.probs[order[i]];
    if (!g.bows.empty()) level.bows[i] = g.bows[order[i]];
  }

  // One walk over the level below: entry p is the context of the n-grams
  // [next[p], next[p + 1]); both levels ascend in the same order.
  const size_t below = contexts_.size() / k;
  std::vector<uint32_t> &next = arrays_->levels[k - 1].next;
  next.assign(below + 1, 0);
  const uint32_t *ctx = contexts_.data();
  size_t p = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t *gram = sorted.data() + i * n;
    if (i > 0 && std::equal(gram, gram + n, gram - n))
      return "the " + std::to_string(n) + "-gram '" + Describe(gram, n) + "' is listed twice";
    while (p < below && std::lexicographical_compare(ctx + p * k, ctx + p * k + k, gram, gram + k))
      next[++p] = static_cast<uint32_t>(i);
    if (p == below || !std::equal(gram, gram + k, ctx + p * k))
      return "the context of the " + std::to_string(n) + "-gram '" + Describe(gram, n) +
             "' is not among the " + std::to_string(k) + "-grams";
  }
  while (p < below) next[++p] = static_cast<uint32_t>(count);
  contexts_ = std::move(sorted);
  level_ = k;
  return "";
}

}  // namespace model
}  // namespace lexkit
