// merge_idngramfiles over up to six temporary files cut from the input,
// direct or staged, to a binary or an ASCII output.
#include <stdio.h>
#include <stdlib.h>

#include "ac_lmfunc_impl.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint8_t shape = lexkit_fuzz::TakeByte(&data, &size);
  const int n_order = 1 + (shape & 3);
  const flag write_ascii = shape & 4 ? 1 : 0;
  const int max_files = 2 + ((shape >> 3) & 3);
  const int fof_size = (shape & 0x20) ? 0 : 1 + (shape >> 6);
  const auto pieces = lexkit_fuzz::SplitPieces(data, size, 6);
  for (size_t i = 0; i < pieces.size(); ++i)
    lexkit_fuzz::WriteScratch(std::to_string(i + 1) + ".id",
                              reinterpret_cast<const uint8_t *>(pieces[i].data()),
                              pieces[i].size());
  char *text = nullptr;
  size_t length = 0;
  FILE *out = open_memstream(&text, &length);
  lexkit_fuzz::Guarded([&] {
    merge_idngramfiles(1, static_cast<int>(pieces.size()),
                       lexkit_fuzz::ScratchDir().c_str(), ".id", max_files, out,
                       write_ascii, fof_size, n_order);
  });
  fclose(out);
  free(text);
  lexkit_fuzz::ClearScratch();
  return 0;
}
