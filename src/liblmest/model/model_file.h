// The binary back-off model file: what buildlex writes with -binary and what
// the scoring API loads (in one read or by memory mapping). The file is the
// in-memory form: a loaded model points into it and copies nothing but the
// word lookup table it builds from the vocabulary section.
//
// Layout: one ModelFileHeader at offset 0, then the sections it lists, each
// starting at a multiple of kSectionAlignment bytes: a cache line, so that
// a file mapped or read to an address so aligned puts the kSampleStride
// ids of a search block (successor_search.h) in exactly two lines. Every
// number is written in the byte
// order of the machine that wrote the file; `byte_order` states it (the
// value kByteOrderMark as that machine stores it), and a reader on a machine
// of the other order refuses the file rather than guess.
//
// The model is a trie of levels 0..order-1, level k holding the (k+1)-grams:
//  - level 0 is dense: entry i is the word of id i, for i in 0..vocab_size
//    (id 0 is the unknown word "<unk>"; in a closed model its probability is
//    kLog10Zero and it is never scored);
//  - level k >= 1 holds its n-grams grouped by their context (the entry of
//    level k-1 that holds the first k words), groups in the order of their
//    contexts, and inside a group in ascending order of the last word's id;
//  - for k < order-1, next[k][i] .. next[k][i+1] (half open) is the range of
//    level k+1 that entry i of level k is the context of; next[k] has
//    counts[k] + 1 entries, next[k][0] == 0 and next[k][counts[k]] ==
//    counts[k+1] (so no level holds 2^32 entries or more);
//  - probabilities and back-off weights are log10 values as floats; a word
//    that is never predicted (a context cue, or <unk> of a closed model) has
//    probability kLog10Zero (-99, as ARPA writes it). The top level has no
//    back-off weights and no next section.
#ifndef LEXKIT_LIBLMEST_MODEL_MODEL_FILE_H
#define LEXKIT_LIBLMEST_MODEL_MODEL_FILE_H

#include <stdint.h>

namespace lexkit {
namespace model_file {

// 16 bytes, no terminating NUL needed: "lexkit-model\n" padded with NULs.
constexpr char kMagic[16] = {'l', 'e', 'x', 'k', 'i', 't', '-', 'm',
                             'o', 'd', 'e', 'l', '\n', 0, 0, 0};
constexpr uint32_t kFormatVersion = 2;  // 1: sections at multiples of 8
constexpr uint64_t kSectionAlignment = 64;
constexpr uint32_t kByteOrderMark = 0x01020304u;
constexpr uint32_t kMaxOrder = 10;
constexpr float kLog10Zero = -99.0f;

// Header flags.
constexpr uint32_t kFlagClosedVocabulary = 1u << 0;

// Section numbers. Per-level sections follow the fixed ones: level k's
// section s is at kFirstLevelSection + k * kSectionsPerLevel + s.
enum Section : uint32_t {
  kVocabText = 0,     // words of ids 0..vocab_size, each ended by a NUL
  kVocabOffsets = 1,  // uint64_t[vocab_size + 2]: start of word i in the
                      // text; entry vocab_size + 1 is the text's size
  kMethodText = 2,    // "name value\n" lines: the method and its parameters
                      // (informative; not needed for scoring)
  kFirstLevelSection = 3,
};
enum LevelSection : uint32_t {
  kLevelWords = 0,  // uint32_t[counts[k]]: last word id (absent for level 0)
  kLevelProbs = 1,  // float[counts[k]]: log10 probability
  kLevelBows = 2,   // float[counts[k]]: log10 back-off weight (k < order-1)
  kLevelNext = 3,   // uint32_t[counts[k] + 1]: successor ranges (k < order-1)
  kSectionsPerLevel = 4,
};
constexpr uint32_t kNumSections =
    kFirstLevelSection + kMaxOrder * kSectionsPerLevel;

struct SectionRef {
  uint64_t offset;  // from the start of the file; a multiple of kSectionAlignment
  uint64_t size;    // in bytes; 0 for an absent section (offset then 0)
};

struct ModelFileHeader {
  char magic[16];
  uint32_t version;
  uint32_t byte_order;
  uint32_t order;            // 1..kMaxOrder
  uint32_t flags;            // kFlag... bits
  uint64_t vocab_size;       // V: words with ids 1..V (id 0 is <unk>)
  uint64_t counts[kMaxOrder];  // entries per level; counts[0] == V + 1
  uint64_t file_size;        // the whole file, header included
  SectionRef sections[kNumSections];
};

static_assert(sizeof(ModelFileHeader) % 8 == 0, "the header's numbers stay aligned");

}  // namespace model_file
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_MODEL_FILE_H
