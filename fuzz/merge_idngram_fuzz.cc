// merge_idngramfiles over up to six temporary files cut from the input,
// direct or staged, to a binary or an ASCII output.
#include <stdio.h>
#include <stdlib.h>

#include "fuzz_support.h"
#include "lexkit/ac_lmfunc_impl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint8_t shape = lexkit_fuzz::TakeByte(&data, &size);
  const int n_order = 1 + (shape & 3);
  const flag write_ascii = shape & 4 ? 1 : 0;
  const int max_files = 2 + ((shape >> 3) & 3);
  const int fof_size = (shape & 0x20) ? 0 : 1 + (shape >> 6);
  const int files = lexkit_fuzz::WriteNumberedPieces(data, size, 6, ".id");
  char *text = nullptr;
  size_t length = 0;
  FILE *out = open_memstream(&text, &length);
  lexkit_fuzz::Guarded([&] {
    merge_idngramfiles(1, files,
                       lexkit_fuzz::ScratchDir().c_str(), ".id", max_files, out,
                       write_ascii, fof_size, n_order);
  });
  fclose(out);
  free(text);
  lexkit_fuzz::ClearScratch();
  return 0;
}
