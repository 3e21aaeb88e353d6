// Validation of a binary model's header and sections, so that a truncated
// or corrupt file is refused with a reason before anything reads it as a
// model. After these checks every access the scorer makes stays inside the
// sections: successor ranges are monotonic and end where the next level
// ends, word ids are in range and ascending within their group, and the
// vocabulary's offsets frame NUL-ended words inside its text.
#ifndef LEXKIT_LIBLMEST_MODEL_MODEL_CHECK_H
#define LEXKIT_LIBLMEST_MODEL_MODEL_CHECK_H

#include <cstdint>
#include <string>

#include "liblmest/model/model_file.h"

namespace lexkit {
namespace model {

// Checks the header at the start of a file image of `size` bytes (aligned
// to 8): magic, version, byte order, and equality with the header that
// MakeHeader gives for its own numbers and section sizes; then that the
// image is exactly as long as the header says. Empty when valid, else the
// reason.
std::string CheckHeader(const void *image, uint64_t size);

// Checks the contents of the sections laid out by a valid header, section
// s at sections[s]. Empty when valid, else the reason.
std::string CheckSections(const model_file::ModelFileHeader &header,
                          const void *const sections[model_file::kNumSections]);

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_MODEL_CHECK_H
