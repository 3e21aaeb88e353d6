// Loading and saving the binary model file. A load reads the file whole in
// one read, checks it completely (model_check.h) and uses it in place: the
// model's memory is the file's size and its word table. A save writes the
// file as buildlex's writer does (binary_writer.h) by the rule of every
// named output (output_target.h: a temporary file beside a regular one,
// renamed when complete), so a failed save never leaves a partial model
// under the final name. Neither ends the process: failures come back as
// messages.
#ifndef LEXKIT_LIBLMEST_MODEL_BINARY_MODEL_H
#define LEXKIT_LIBLMEST_MODEL_BINARY_MODEL_H

#include <memory>
#include <string>

#include "liblmest/model/model.h"

namespace lexkit {
namespace model {

// Null with the reason in *error when the file cannot be read or is not a
// valid model.
std::unique_ptr<Model> LoadBinary(const char *path, std::string *error);

// False with the reason in *error when the file could not be written.
bool SaveBinary(const Model &model, const char *path, std::string *error);

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_BINARY_MODEL_H
