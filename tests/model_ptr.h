// A scoring-API model that closes itself, and opening one by its form, for
// the tests that load models.
#ifndef LEXKIT_TESTS_MODEL_PTR_H
#define LEXKIT_TESTS_MODEL_PTR_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "lexkit/model.h"

namespace lexkit_test {

struct ModelCloser {
  void operator()(lexkit_model *m) const { lexkit_model_close(m); }
};
using ModelPtr = std::unique_ptr<lexkit_model, ModelCloser>;

// The model of an ARPA or (with `binary`) a binary file; a failure to open
// fails the test with the API's message.
inline ModelPtr OpenModel(const std::string &path, bool binary) {
  char error[256] = "";
  ModelPtr m(binary ? lexkit_model_open_binary(path.c_str(), error, sizeof error)
                    : lexkit_model_open_arpa(path.c_str(), error, sizeof error));
  EXPECT_NE(m, nullptr) << error;
  return m;
}

}  // namespace lexkit_test

#endif  // LEXKIT_TESTS_MODEL_PTR_H
