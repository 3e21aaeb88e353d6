// What the method table knows of each method beyond its operations: the
// name of its option and its parameters, for the description of a model.
#ifndef LEXKIT_LIBLMEST_DISC_METH_INFO_H
#define LEXKIT_LIBLMEST_DISC_METH_INFO_H

#include <string>

#include "lexkit/ngram.h"

namespace lexkit {

// "good_turing", "absolute", "linear" or "witten_bell" for the record's
// discounting_method.
const char *DiscMethName(const ng_t *ng);

// Appends "name value" lines with the parameters the method computed (after
// compute_discount_aux), one value per line.
void AppendDiscMethParameters(const ng_t *ng, std::string *text);

}  // namespace lexkit

#endif  // LEXKIT_LIBLMEST_DISC_METH_INFO_H
