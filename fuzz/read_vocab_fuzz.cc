// read_vocab on an arbitrary vocabulary file, into a small index table.
#include "fuzz_support.h"
#include "lexkit/ac_lmfunc_impl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const int chains = 2 + lexkit_fuzz::TakeByte(&data, &size);
  const std::string path = lexkit_fuzz::WriteScratch("words.vocab", data, size);
  lexkit_fuzz::Guarded([&] {
    struct idngram_hash_table table;
    new_idngram_hashtable(&table, chains);
    read_vocab(path.c_str(), 0, &table, chains);
    index2(&table, "the");
  });
  lexkit_fuzz::ReleaseTables();
  return 0;
}
