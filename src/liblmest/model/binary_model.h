// Loading and saving the binary model file. A load maps the file into
// memory (or reads it whole in one read), checks it completely
// (model_check.h) and uses it in place: the model's memory is the file's
// size and its word table. A mapped file is the page cache's own memory:
// nothing is copied, and the parts that no check and no prediction reads
// are never read from the disk. Such a file must not be changed in place
// while a model is open over it (a shortened one would fault); the
// toolkit's writers never do, they write a new file and rename it over the
// old one. A save writes the
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

// How a load takes the file's bytes: mapped, unless the file cannot be
// mapped, or read into memory of the model's own.
enum class ImageAccess { kMap, kRead };

// Null with the reason in *error when the file cannot be read or is not a
// valid model.
std::unique_ptr<Model> LoadBinary(const char *path, std::string *error,
                                  ImageAccess access = ImageAccess::kMap);

// False with the reason in *error when the file could not be written.
bool SaveBinary(const Model &model, const char *path, std::string *error);

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_BINARY_MODEL_H
