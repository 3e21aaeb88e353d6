// countlex_impl over arbitrary text: every output line is a word of 1 to 500
// bytes without white space and a positive count, each word once.
#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>

#include "fuzz_support.h"
#include "lexkit/ac_lmfunc_impl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Small tables give long chains and collisions.
  const int nwords = 1 + lexkit_fuzz::TakeByte(&data, &size) * 8;
  lexkit_fuzz::File in = lexkit_fuzz::ReadStream(data, size);
  char *text = nullptr;
  size_t length = 0;
  FILE *out = open_memstream(&text, &length);
  lexkit_fuzz::Guarded([&] { countlex_impl(in.get(), out, nwords, 0); });
  fclose(out);

  std::set<std::string> words;
  for (const char *line = text; line < text + length;) {
    const char *end = static_cast<const char *>(memchr(line, '\n', text + length - line));
    const char *blank = static_cast<const char *>(memchr(line, ' ', end - line));
    if (end == nullptr || blank == nullptr || blank == line || blank - line > 500 ||
        atoi(blank + 1) < 1 || !words.insert(std::string(line, blank)).second)
      abort();
    line = end + 1;
  }
  free(text);
  lexkit_fuzz::ReleaseTables();
  return 0;
}
