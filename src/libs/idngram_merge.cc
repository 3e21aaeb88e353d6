// Placeholder until this module is written.
#include "lmfunc_internal.h"

namespace lexkit {

void MergeIdNgramFiles(int, int, const char *, const char *, int, FILE *, bool, int, int) {
  quit(-1, "merge_idngramfiles: not available yet\n");
}

}  // namespace lexkit
