// Writes a back-off model as a binary model file (model_file.h): the header,
// the vocabulary, the method text and each level's words, probabilities,
// back-off weights and successor ranges, streamed in the file's order. The
// one writer of the format: buildlex's models and the scoring API's saved
// ones (through loaded_model_source.h) both come from it.
#ifndef LEXKIT_LIBLMEST_MODEL_BINARY_WRITER_H
#define LEXKIT_LIBLMEST_MODEL_BINARY_WRITER_H

#include <stdio.h>

#include "liblmest/model/model_layout.h"
#include "liblmest/model/model_source.h"

namespace lexkit {

// Writes to `fp`; a failed write ends the process naming `path`, or with
// OnError::kReport makes the result false, errno telling why.
bool WriteBinaryModel(const ModelSource &model, FILE *fp, const char *path,
                      model_file::ModelFileWriter::OnError on_error =
                          model_file::ModelFileWriter::OnError::kQuit);

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_BINARY_WRITER_H
