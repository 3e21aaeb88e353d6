// Reads a back-off model in the ARPA text format, as this toolkit or any
// other writes it: a "\data\" line, then one "ngram <order>=<count>" line
// per order from 1 to the model's; then for each order n a "\<n>-grams:"
// line and its n-grams, one per line:
//
//   <log10 probability> <word 1> ... <word n> [<log10 back-off weight>]
//
// (the highest order has no weights); and at the end an "\end\" line.
//
// Lines before \data\ are ignored; blank lines are skipped; fields are
// separated by white space. The unigrams define the vocabulary: ids in
// their file order from 1, with <unk> at id 0 wherever it is listed (a
// model that does not list it is closed: <unk> gets the probability -99 and
// is never predicted). A missing back-off weight is 0. Within a section the
// n-grams may come in any order, but every n-gram's context (its first n-1
// words) must be an (n-1)-gram of the model. Every count of \data\ must
// match its section.
//
// Never ends the process: an unreadable or malformed file gives a message
// naming the line at fault.
#ifndef LEXKIT_LIBLMEST_MODEL_ARPA_READER_H
#define LEXKIT_LIBLMEST_MODEL_ARPA_READER_H

#include <stdio.h>

#include <memory>
#include <string>

#include "liblmest/model/model.h"

namespace lexkit {
namespace model {

// Null with the reason in *error.
std::unique_ptr<Model> ReadArpa(const char *path, std::string *error);

// The same from an open stream of `size` bytes (0 when not known).
std::unique_ptr<Model> ReadArpa(FILE *fp, uint64_t size, std::string *error);

}  // namespace model
}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_MODEL_ARPA_READER_H
