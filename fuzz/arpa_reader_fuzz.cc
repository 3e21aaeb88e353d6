// The ARPA reader over an arbitrary text; an accepted model is scored
// throughout, saved in binary form and loaded back.
#include "fuzz_support.h"
#include "liblmest/model/arpa_reader.h"
#include "liblmest/model/binary_model.h"
#include "liblmest/model/model_handle.h"
#include "model_score.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  lexkit_fuzz::File fp = lexkit_fuzz::ReadStream(data, size);
  std::string error;
  lexkit_model handle{lexkit::model::ReadArpa(fp.get(), size, &error)};
  if (handle.model == nullptr) {
    if (error.empty()) abort();  // a refusal always says why
    return 0;
  }
  lexkit_fuzz::ScoreEverything(&handle, data, size);
  const std::string path = lexkit_fuzz::ScratchDir() + "/model.bin";
  if (!lexkit::model::SaveBinary(*handle.model, path.c_str(), &error) ||
      lexkit::model::LoadBinary(path.c_str(), &error) == nullptr)
    abort();  // what the reader accepts, the binary form keeps
  return 0;
}
