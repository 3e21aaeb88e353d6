// Placeholder until this module is written.
#include "lmfunc_internal.h"

namespace lexkit {

int TextToNgramFiles(FILE *, struct idngram_hash_table *, int, wordid_t *, int, unsigned int, const char *, const char *) {
  quit(-1, "read_txt2ngram_buffer: not available yet\n");
}

}  // namespace lexkit
