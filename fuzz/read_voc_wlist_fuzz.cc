// read_voc on a word list: the table and the array agree on every id.
#include <stdlib.h>
#include <string.h>

#include "fuzz_support.h"
#include "lexkit/ac_parsetext.h"
#include "lexkit/sih.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string path = lexkit_fuzz::WriteScratch("words.vocab", data, size);
  sih_t *table = sih_create(3, 0, 0, 0);
  lexkit_fuzz::Guarded([&] {
    char **vocab = nullptr;
    vocab_sz_t n = 0;
    read_voc(path.c_str(), 0, table, &vocab, &n);
    for (vocab_sz_t i = 1; i <= n; ++i) {
      vocab_sz_t id = 0;
      if (vocab[i] == nullptr || !sih_lookup(table, vocab[i], &id) || id < 1 || id > i)
        abort();
    }
    for (vocab_sz_t i = 0; i <= n; ++i) free(vocab[i]);
    free(vocab);
  });
  free(table->slots);
  free(table);
  lexkit_fuzz::ReleaseTables();
  return 0;
}
