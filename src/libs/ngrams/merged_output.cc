#include "libs/ngrams/merged_output.h"

#include "lexkit/general.h"

namespace lexkit {

namespace {

[[noreturn]] void WriteFailed() {
  quit(-1,
       "Write error encountered while attempting to merge temporary files.\n"
       "Aborting, but keeping temporary files.\n");
}

}  // namespace

void FlushMergedOutput(FILE *fp) {
  if (fflush(fp) != 0) WriteFailed();
}

void MergedTextOutput::Write() {
  if (used_ != 0 && fwrite_unlocked(block_.data(), 1, used_, fp_) < used_) WriteFailed();
  used_ = 0;
}

}  // namespace lexkit
