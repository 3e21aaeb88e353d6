// merge_tempfiles over up to six word n-gram text files cut from the input,
// direct or staged.
#include <stdio.h>
#include <stdlib.h>

#include "ac_lmfunc_impl.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint8_t shape = lexkit_fuzz::TakeByte(&data, &size);
  const int n = 1 + (shape & 3);
  const int max_files = 2 + ((shape >> 2) & 3);
  const auto pieces = lexkit_fuzz::SplitPieces(data, size, 6);
  for (size_t i = 0; i < pieces.size(); ++i)
    lexkit_fuzz::WriteScratch(std::to_string(i + 1) + ".txt",
                              reinterpret_cast<const uint8_t *>(pieces[i].data()),
                              pieces[i].size());
  char *text = nullptr;
  size_t length = 0;
  FILE *out = open_memstream(&text, &length);
  lexkit_fuzz::Guarded([&] {
    merge_tempfiles(1, static_cast<int>(pieces.size()),
                    lexkit_fuzz::ScratchDir().c_str(), ".txt", max_files, out, n, 0);
  });
  fclose(out);
  free(text);
  lexkit_fuzz::ClearScratch();
  return 0;
}
