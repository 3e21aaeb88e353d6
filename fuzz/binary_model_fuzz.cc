// The binary model loader over arbitrary bytes, mapping the file and
// reading it; an accepted model is scored throughout.
#include "fuzz_support.h"
#include "liblmest/model/binary_model.h"
#include "liblmest/model/model_handle.h"
#include "model_score.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string path = lexkit_fuzz::WriteScratch("model.bin", data, size);
  // Mapped, and read into memory of the model's own: the same verdict.
  std::string error, read_error;
  lexkit_model handle{lexkit::model::LoadBinary(path.c_str(), &error)};
  const bool read = lexkit::model::LoadBinary(path.c_str(), &read_error,
                                              lexkit::model::ImageAccess::kRead) != nullptr;
  if (read != (handle.model != nullptr) || error != read_error) abort();
  if (handle.model == nullptr) {
    if (error.empty()) abort();
    return 0;
  }
  lexkit_fuzz::ScoreEverything(&handle, data, size);
  return 0;
}
