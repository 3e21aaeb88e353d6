// merge_tempfiles over up to six word n-gram text files cut from the input,
// direct or staged.
#include <stdio.h>
#include <stdlib.h>

#include "fuzz_support.h"
#include "lexkit/ac_lmfunc_impl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint8_t shape = lexkit_fuzz::TakeByte(&data, &size);
  const int n = 1 + (shape & 3);
  const int max_files = 2 + ((shape >> 2) & 3);
  const int files = lexkit_fuzz::WriteNumberedPieces(data, size, 6, ".txt");
  char *text = nullptr;
  size_t length = 0;
  FILE *out = open_memstream(&text, &length);
  lexkit_fuzz::Guarded([&] {
    merge_tempfiles(1, files,
                    lexkit_fuzz::ScratchDir().c_str(), ".txt", max_files, out, n, 0);
  });
  fclose(out);
  free(text);
  lexkit_fuzz::ClearScratch();
  return 0;
}
