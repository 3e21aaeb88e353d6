// What a lexkit_model handle of the C interface holds: the internal model.
#ifndef LEXKIT_LIBLMEST_MODEL_MODEL_HANDLE_H
#define LEXKIT_LIBLMEST_MODEL_MODEL_HANDLE_H

#include <memory>

#include "lexkit/model.h"
#include "liblmest/model/model.h"

struct lexkit_model {
  std::unique_ptr<lexkit::model::Model> model;
};

#endif  // LEXKIT_LIBLMEST_MODEL_MODEL_HANDLE_H
