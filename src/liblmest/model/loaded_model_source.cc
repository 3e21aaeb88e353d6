#include "liblmest/model/loaded_model_source.h"

namespace lexkit {
namespace model {

LoadedModelSource::LoadedModelSource(const Model &model) : model_(model) {
  for (uint64_t id = 0; id <= model_.vocab_size(); ++id)
    words_.Add(model_.Word(static_cast<uint32_t>(id)));
}

std::string LoadedModelSource::method_text() const {
  const uint64_t size = model_.header().sections[model_file::kMethodText].size;
  const char *text = static_cast<const char *>(model_.section(model_file::kMethodText));
  return size > 0 ? std::string(text, size) : std::string();
}

}  // namespace model
}  // namespace lexkit
