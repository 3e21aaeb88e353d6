// Successor counts of the model's levels in full width.
#ifndef LEXKIT_TYPE_COUNT_H
#define LEXKIT_TYPE_COUNT_H

#include <stdint.h>

#include "lexkit/ngram.h"

namespace lexkit {

// Number of distinct words that follow entry `ind` of level `k`, read off
// the successor indices of level k.
int64_t CountTypes(int k, int ind, const ng_t *ng);

}  // namespace lexkit

#endif  // LEXKIT_TYPE_COUNT_H
