// gen_fb_list over an arbitrary forced back-off list, against a vocabulary of
// four words.
#include <stdlib.h>

#include "fuzz_support.h"
#include "lexkit/ngram.h"
#include "lexkit/sih.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint8_t flags = lexkit_fuzz::TakeByte(&data, &size);
  const std::string path = lexkit_fuzz::WriteScratch("list.fblist", data, size);
  static char *words[] = {const_cast<char *>("<UNK>"), const_cast<char *>("the"),
                          const_cast<char *>("cat"), const_cast<char *>("<s>"),
                          const_cast<char *>("</s>")};
  static sih_t *table = [] {
    sih_t *t = sih_create(3, 0, 0, 0);
    for (vocab_sz_t id = 1; id <= 4; ++id) sih_add(t, words[id], id);
    return t;
  }();
  flag cues[5] = {0, 0, 0, 1, 1};
  lexkit_fuzz::Guarded([&] {
    fb_info *marks = gen_fb_list(table, 4, words, cues, flags & 1, flags & 2,
                                 flags & 4, flags & 8, path.c_str());
    free(marks);
  });
  return 0;
}
