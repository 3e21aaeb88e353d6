// read_voc on an untrusted saved table (".vocab_ht").
#include <stdlib.h>

#include "fuzz_support.h"
#include "lexkit/ac_parsetext.h"
#include "lexkit/sih.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string path = lexkit_fuzz::WriteScratch("words.vocab_ht", data, size);
  sih_t *table = sih_create(3, 0, 0, 0);
  lexkit_fuzz::Guarded([&] {
    char **vocab = nullptr;
    vocab_sz_t n = 0;
    read_voc(path.c_str(), 0, table, &vocab, &n);
    for (vocab_sz_t i = 1; i <= n; ++i) {
      vocab_sz_t id = 0;
      if (!sih_lookup(table, vocab[i], &id)) abort();
    }
    free(vocab[0]);
    free(vocab);
  });
  free(table->slots);
  free(table);
  lexkit_fuzz::ReleaseTables();
  return 0;
}
