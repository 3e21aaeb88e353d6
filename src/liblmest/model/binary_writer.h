// Writes a back-off model as a binary model file (model_file.h): the header,
// the vocabulary, the method text and each level's words, probabilities,
// back-off weights and successor ranges, streamed in the file's order.
#ifndef LEXKIT_LIBLMEST_MODEL_BINARY_WRITER_H
#define LEXKIT_LIBLMEST_MODEL_BINARY_WRITER_H

#include <stdio.h>

#include "liblmest/model/model_source.h"

namespace lexkit {

// Writes to `fp`; a failed write ends the process naming `path`.
void WriteBinaryModel(const ModelSource &model, FILE *fp, const char *path);

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_BINARY_WRITER_H
