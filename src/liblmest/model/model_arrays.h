// The sections of a model built in memory (by the ARPA reader), as typed
// arrays; a Model made over them keeps them alive.
#ifndef LEXKIT_LIBLMEST_MODEL_MODEL_ARRAYS_H
#define LEXKIT_LIBLMEST_MODEL_MODEL_ARRAYS_H

#include <cstdint>
#include <string_view>
#include <vector>

#include "liblmest/model/model_file.h"

namespace lexkit {
namespace model {

struct ModelArrays {
  struct Level {
    std::vector<uint32_t> words;  // empty for level 0
    std::vector<float> probs;
    std::vector<float> bows;      // empty for the top level
    std::vector<uint32_t> next;   // empty for the top level
  };

  std::vector<char> vocab_text;         // NUL-ended words of ids 0..V
  std::vector<uint64_t> vocab_offsets;  // V + 2 entries
  Level levels[model_file::kMaxOrder];

  std::string_view Word(uint32_t id) const {
    return std::string_view(vocab_text.data() + vocab_offsets[id],
                            vocab_offsets[id + 1] - vocab_offsets[id] - 1);
  }
};

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_MODEL_ARRAYS_H
