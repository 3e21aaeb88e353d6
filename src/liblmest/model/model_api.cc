// The C interface of the scoring API (lexkit/model.h) over the internal
// model. No exception and no C++ type crosses it, and no path ends the
// process: failures are returned with their message.
#include "lexkit/model.h"

#include <string.h>

#include <exception>
#include <memory>
#include <string>

#include "liblmest/model/arpa_reader.h"
#include "liblmest/model/binary_model.h"
#include "liblmest/model/model.h"
#include "liblmest/model/model_handle.h"

namespace {

using lexkit::model::Model;

void Report(const char *path, const std::string &message, char *error,
            size_t error_size) {
  if (error == nullptr || error_size == 0) return;
  const std::string text = std::string(path != nullptr ? path : "(null)") + ": " + message;
  const size_t n = text.size() < error_size - 1 ? text.size() : error_size - 1;
  memcpy(error, text.data(), n);
  error[n] = '\0';
}

template <typename Load>
lexkit_model *Open(const char *path, char *error, size_t error_size, Load load) {
  std::string message;
  try {
    if (path == nullptr) {
      message = "no file name";
    } else if (std::unique_ptr<Model> m = load(path, &message)) {
      auto handle = std::make_unique<lexkit_model>();
      handle->model = std::move(m);
      return handle.release();
    }
  } catch (const std::bad_alloc &) {
    message = "not enough memory for the model";
  } catch (const std::exception &e) {
    message = e.what();
  }
  Report(path, message, error, error_size);
  return nullptr;
}

}  // namespace

extern "C" lexkit_model *lexkit_model_open_arpa(const char *path, char *error,
                                                size_t error_size) {
  return Open(path, error, error_size, [](const char *p, std::string *message) {
    return lexkit::model::ReadArpa(p, message);
  });
}

extern "C" lexkit_model *lexkit_model_open_binary(const char *path, char *error,
                                                  size_t error_size) {
  return Open(path, error, error_size, [](const char *p, std::string *message) {
    return lexkit::model::LoadBinary(p, message);
  });
}

extern "C" int lexkit_model_save_binary(const lexkit_model *model, const char *path,
                                        char *error, size_t error_size) {
  std::string message = "no model or no file name";
  try {
    if (model != nullptr && path != nullptr &&
        lexkit::model::SaveBinary(*model->model, path, &message))
      return 0;
  } catch (const std::exception &) {
    message = "not enough memory to write the model";
  }
  Report(path, message, error, error_size);
  return -1;
}

extern "C" void lexkit_model_close(lexkit_model *model) {
  std::unique_ptr<lexkit_model> owned(model);
}

extern "C" int lexkit_model_order(const lexkit_model *model) {
  return static_cast<int>(model->model->order());
}

extern "C" uint64_t lexkit_model_vocab_size(const lexkit_model *model) {
  return model->model->vocab_size();
}

extern "C" uint64_t lexkit_model_ngram_count(const lexkit_model *model, int n) {
  const Model &m = *model->model;
  return n >= 1 && static_cast<uint32_t>(n) <= m.order() ? m.NgramCount(n) : 0;
}

extern "C" int lexkit_model_is_closed(const lexkit_model *model) {
  return model->model->closed() ? 1 : 0;
}

extern "C" wordid_t lexkit_model_index(const lexkit_model *model, const char *word,
                                       size_t length) {
  return model->model->Lookup(std::string_view(word, length));
}

extern "C" const char *lexkit_model_word(const lexkit_model *model, wordid_t id) {
  const Model &m = *model->model;
  return id <= m.vocab_size() ? m.Word(id).data() : nullptr;
}

namespace {

// The context that this thread's last prediction ended with (a thread
// scoring a text in turn asks next for the context after the word it has
// just scored).
thread_local lexkit::model::PredictionMemo last_prediction;

}  // namespace

extern "C" double lexkit_model_prob(const lexkit_model *model, const wordid_t *context,
                                    size_t context_length, wordid_t word, int *bo_case) {
  const lexkit::model::Prediction p = model->model->Predict(
      context, context != nullptr ? context_length : 0, word, &last_prediction);
  if (bo_case != nullptr) *bo_case = p.bo_case;
  return p.log10_prob;
}
