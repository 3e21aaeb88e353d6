// Writes a back-off model as an ARPA text model: a "\data\" section with
// one "ngram k=N" line per order, then one "\k-grams:" section per order,
// each line "log10 probability<TAB>words[<TAB>log10 back-off weight]" (the
// weight below the top order only), and "\end\". A closed model leaves the
// unknown word out. Numbers are the shortest decimal forms that read back
// as the same float values the binary model holds.
#ifndef LEXKIT_LIBLMEST_MODEL_ARPA_WRITER_H
#define LEXKIT_LIBLMEST_MODEL_ARPA_WRITER_H

#include <stdio.h>

#include "liblmest/model/model_source.h"

namespace lexkit {

// Writes to `fp`; a failed write ends the process naming `path`.
void WriteArpa(const ModelSource &model, FILE *fp, const char *path);

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_ARPA_WRITER_H
