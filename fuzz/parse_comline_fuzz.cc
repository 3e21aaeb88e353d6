// parse_comline on an arbitrary line, with room for every word it can hold.
#include <stdlib.h>

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "lexkit/ngram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string line(reinterpret_cast<const char *>(data), size);
  std::vector<char *> args(size / 2 + 1);
  int count = -1;
  lexkit_fuzz::Guarded([&] { parse_comline(line.c_str(), &count, args.data()); });
  if (count < 0 || static_cast<size_t>(count) > args.size()) abort();
  for (int i = 0; i < count; ++i) free(args[i]);
  return 0;
}
