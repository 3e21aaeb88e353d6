// Loads a vocabulary word list, or a saved table, a number of times and
// prints the seconds per load. "baseline" is the classic line-at-a-time
// reader: fgets into 1024 bytes, sscanf of the first word, one malloc per
// key, std::unordered_map.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <string>
#include <unordered_map>

#include "lexkit/ac_parsetext.h"
#include "lexkit/sih.h"

static void Baseline(const char *path) {
  std::unordered_map<std::string, long> ids;
  char line[1024], word[256];
  long n = 0;
  FILE *fp = fopen(path, "rb");
  while (fgets(line, sizeof line, fp)) {
    if (line[0] == '#' && line[1] == '#') continue;
    if (sscanf(line, "%255s", word) != 1) continue;
    char *copy = strdup(word);
    ids.emplace(copy, ++n);
  }
  fclose(fp);
  if (ids.size() == 0) abort();
}

int main(int argc, char **argv) {
  if (argc != 4) return 2;
  std::string mode = argv[1];
  const char *path = argv[2];
  int rounds = atoi(argv[3]);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    if (mode == "baseline") {
      Baseline(path);
    } else {
      sih_t *ht = sih_create(0, 0, 0, 0);
      vocab_sz_t n = 0;
      // The table reader writes its progress dots on stdout.
      if (!freopen("/dev/null", "w", stdout)) return 3;
      read_voc(path, 0, ht, nullptr, &n);
      if (n == 0) abort();
    }
  }
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  fprintf(stderr, "%.4f\n", took.count() / rounds);
  return 0;
}
