// Placeholder until this module is written.
#include "lmfunc_internal.h"

namespace lexkit {

int LoadVocabIndex(const char *, int, struct idngram_hash_table *, int) {
  quit(-1, "read_vocab: not available yet\n");
}

}  // namespace lexkit
