// picklex_impl's word frequency list parser, in top mode and in gt mode.
#include <stdlib.h>

#include "fuzz_support.h"
#include "lexkit/ac_lmfunc_impl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint8_t mode = lexkit_fuzz::TakeByte(&data, &size);
  const int records = 1 + lexkit_fuzz::TakeByte(&data, &size);
  // Top mode keeps up to `mode` words; gt mode (high bit) a count threshold.
  const int cutoff = mode & 0x80 ? mode & 0x7F : -1;
  const int vocab_size = mode & 0x80 ? 0 : mode;
  lexkit_fuzz::File in = lexkit_fuzz::ReadStream(data, size);
  char *text = nullptr;
  size_t length = 0;
  FILE *out = open_memstream(&text, &length);
  lexkit_fuzz::Guarded(
      [&] { picklex_impl(in.get(), out, cutoff, vocab_size, records, 0); });
  fclose(out);
  free(text);
  return 0;
}
