#include "liblmest/model/binary_writer.h"

#include <errno.h>
#include <string.h>

#include <string>
#include <string_view>
#include <vector>

#include "liblmest/model/model_file.h"
#include "liblmest/model/model_layout.h"

namespace lexkit {
namespace {

using model_file::ModelFileWriter;

// Values of one section gathered in pieces of this many before each Append.
constexpr size_t kPiece = 1 << 16;

template <typename T>
class SectionOut {
 public:
  SectionOut(ModelFileWriter *writer, uint32_t section)
      : writer_(writer), section_(section) {
    values_.reserve(kPiece);
  }
  ~SectionOut() { Flush(); }
  void Put(T v) {
    values_.push_back(v);
    if (values_.size() == kPiece) Flush();
  }

 private:
  void Flush() {
    if (!values_.empty()) writer_->Append(section_, values_.data(), values_.size() * sizeof(T));
    values_.clear();
  }
  ModelFileWriter *writer_;
  uint32_t section_;
  std::vector<T> values_;
};

uint32_t LevelSection(int k, uint32_t s) {
  return model_file::kFirstLevelSection + static_cast<uint32_t>(k) * model_file::kSectionsPerLevel + s;
}

}  // namespace

bool WriteBinaryModel(const ModelSource &model, FILE *fp, const char *path,
                      ModelFileWriter::OnError on_error) {
  const int n = model.order();
  const uint64_t vocab_size = model.vocab_size();
  uint64_t counts[model_file::kMaxOrder] = {0};
  for (int k = 0; k < n; ++k) counts[k] = model.entries(k);
  const PackedWords &words = model.words();
  const uint64_t text_size = words.text_size() + words.size();  // and the NULs
  const std::string method = model.method_text();
  model_file::ModelFileHeader header;
  if (!model_file::MakeHeader(static_cast<uint32_t>(n), vocab_size, counts, text_size,
                              method.size(),
                              model.closed() ? model_file::kFlagClosedVocabulary : 0,
                              &header)) {
    if (on_error == ModelFileWriter::OnError::kQuit)
      quit(-1, "Error : the model is too large for the binary model file %s\n", path);
    errno = EFBIG;
    return false;
  }

  ModelFileWriter writer(fp, path, header, on_error);
  {
    // Each word with its NUL, then where each one starts.
    std::vector<uint64_t> offsets;
    offsets.reserve(vocab_size + 2);
    std::string text;
    uint64_t at = 0;
    for (uint64_t id = 0; id <= vocab_size; ++id) {
      const std::string_view word = words.word(static_cast<uint32_t>(id));
      text.append(word.data(), word.size()).push_back('\0');
      if (text.size() >= kPiece) {
        writer.Append(model_file::kVocabText, text.data(), text.size());
        text.clear();
      }
      offsets.push_back(at);
      at += word.size() + 1;
    }
    writer.Append(model_file::kVocabText, text.data(), text.size());
    offsets.push_back(at);
    writer.Append(model_file::kVocabOffsets, offsets.data(), offsets.size() * sizeof(uint64_t));
  }
  writer.Append(model_file::kMethodText, method.data(), method.size());

  for (int k = 0; k < n; ++k) {
    const uint64_t entries = counts[k];
    if (k > 0)
      writer.Append(LevelSection(k, model_file::kLevelWords), model.last_words(k),
                    entries * sizeof(wordid_t));
    writer.Append(LevelSection(k, model_file::kLevelProbs), model.log10_probs(k),
                  entries * sizeof(float));
    if (k + 1 < n) {
      writer.Append(LevelSection(k, model_file::kLevelBows), model.log10_backoffs(k),
                    entries * sizeof(float));
      SectionOut<uint32_t> next(&writer, LevelSection(k, model_file::kLevelNext));
      for (uint64_t i = 0; i <= entries; ++i)
        next.Put(static_cast<uint32_t>(model.first_successor(k, i)));
    }
  }
  return writer.Finish();
}

}  // namespace lexkit
