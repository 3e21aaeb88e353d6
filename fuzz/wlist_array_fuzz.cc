// read_wlist_into_array on an arbitrary word list.
#include <stdlib.h>
#include <string.h>

#include "fuzz_support.h"
#include "lexkit/ac_parsetext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string path = lexkit_fuzz::WriteScratch("words.wlist", data, size);
  lexkit_fuzz::Guarded([&] {
    char **words = nullptr;
    vocab_sz_t n = 0;
    read_wlist_into_array(path.c_str(), 0, &words, &n);
    for (vocab_sz_t i = 1; i <= n; ++i) {
      if (words[i] == nullptr) abort();
      free(words[i]);
    }
    free(words);
  });
  return 0;
}
