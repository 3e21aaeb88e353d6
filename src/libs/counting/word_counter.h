// The stages of countlex_impl, for callers that count a text in pieces and
// write the list of each piece's chains (the MPI driver): the words of a
// stream into a table, the chain index of a word, and a table's lines in
// chain order. Run one after the other on one stream they are
// countlex_impl.
#ifndef LEXKIT_LIBS_COUNTING_WORD_COUNTER_H
#define LEXKIT_LIBS_COUNTING_WORD_COUNTER_H

#include <stdio.h>

#include <cstdint>
#include <string_view>

#include "libs/base/fastmod.h"
#include "libs/counting/word_count_table.h"

namespace lexkit {

// The longest word: a longer run of non-space bytes is counted in pieces of
// this many bytes.
constexpr size_t kMaxCountedWord = 500;

// The number of chains of the list for an expected `init_nwords` distinct
// words: nearest_prime(init_nwords). A size that gives no chains ends the
// process.
uint32_t ChainCount(int init_nwords);

// Counts every word of `infp`, read to its end, into `table`; warns of
// split words at verbosity 1 or more. A read error ends the process.
void CountText(FILE *infp, int verbosity, WordCountTable &table);

// The chain of `word` in a chained table of `chains.divisor()` chains.
uint32_t ChainIndex(std::string_view word, const FastMod &chains);

// Chains [begin, end) of a list.
struct ChainRange {
  uint32_t begin = 0;
  uint32_t end = UINT32_MAX;
};

// Writes "word count" lines for the words of `table` whose chains lie in
// `range` (all by default), by chain index in a table of `chains` chains,
// then in byte order. Write failures are left on the stream.
void WriteInChainOrder(const WordCountTable &table, uint32_t chains, FILE *outfp,
                       ChainRange range = {});

}  // namespace lexkit

#endif  // LEXKIT_LIBS_COUNTING_WORD_COUNTER_H
