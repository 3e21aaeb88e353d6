// read_wlist_into_siht on an arbitrary word list: every id found is in range.
#include <stdlib.h>

#include "fuzz_support.h"
#include "lexkit/ac_parsetext.h"
#include "lexkit/sih.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string path = lexkit_fuzz::WriteScratch("words.wlist", data, size);
  sih_t *table = sih_create(1 + size % 7, 0, 0, 0);
  lexkit_fuzz::Guarded([&] {
    vocab_sz_t n = 0;
    read_wlist_into_siht(path.c_str(), 0, table, &n);
    for (vocab_sz_t i = 0; i < table->nslots; ++i) {
      const vocab_sz_t id = table->slots[i].intval;
      if (id > n) abort();
    }
  });
  free(table->slots);
  free(table);
  lexkit_fuzz::ReleaseTables();
  return 0;
}
