// get_ngram over an arbitrary id n-gram file, binary or ASCII, of 1 to 32 ids.
#include <vector>

#include "fuzz_support.h"
#include "lexkit/ngram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint8_t form = lexkit_fuzz::TakeByte(&data, &size);
  const flag ascii = form & 0x80 ? 1 : 0;
  std::vector<id__t> ids(1 + (form & 0x1F));
  ngram ng;
  ng.n = static_cast<unsigned short>(ids.size());
  ng.id_array = ids.data();
  lexkit_fuzz::File in = lexkit_fuzz::ReadStream(data, size);
  lexkit_fuzz::Guarded([&] {
    while (get_ngram(in.get(), &ng, ascii)) {
    }
  });
  return 0;
}
