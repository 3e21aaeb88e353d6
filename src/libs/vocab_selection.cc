// Placeholder until this module is written.
#include "lmfunc_internal.h"

namespace lexkit {

int SelectVocabulary(FILE *, FILE *, int, int, int, int) {
  quit(-1, "picklex_impl: not available yet\n");
}

}  // namespace lexkit
