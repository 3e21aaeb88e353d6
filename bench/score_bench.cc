// Loading and scoring speed of the scoring API (lexkit/model.h), linked
// against the shared library like any decoder:
//
//   score_bench (-arpa|-binary) MODEL TEXT [REPEATS]
//
// prints "name value" lines: the load's wall and CPU seconds, the resident
// memory the load added (MiB, from /proc/self/statm; a mapped binary model
// grows as predictions read more of it, so it is measured again after the
// passes), and the best of
// REPEATS (default 3) passes of lexkit_model_prob over the text's words,
// each after the two before it, in words per second of CPU time. The
// words are looked up once before the passes; the total log10 probability
// is printed so that the passes cannot be optimised away.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "lexkit/model.h"

namespace {

double Seconds(clockid_t clock) {
  timespec t;
  clock_gettime(clock, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

double ResidentMiB() {
  long pages = 0, resident = 0;
  FILE *f = fopen("/proc/self/statm", "r");
  if (f == nullptr || fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
  if (f != nullptr) fclose(f);
  return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: score_bench (-arpa|-binary) MODEL TEXT [REPEATS]\n");
    return 1;
  }
  const bool arpa = strcmp(argv[1], "-arpa") == 0;
  const int repeats = argc > 4 ? atoi(argv[4]) : 3;

  // The text's words first, so that the model's memory is measured alone.
  std::vector<std::string> words;
  std::ifstream text(argv[3]);
  for (std::string w; text >> w;) words.push_back(w);

  // Their ids' array too, filled in once the model is open.
  std::vector<wordid_t> ids(words.size(), 0);
  const double rss_before = ResidentMiB();
  const double wall0 = Seconds(CLOCK_MONOTONIC), cpu0 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
  char error[1024];
  lexkit_model *model = arpa ? lexkit_model_open_arpa(argv[2], error, sizeof error)
                             : lexkit_model_open_binary(argv[2], error, sizeof error);
  if (model == nullptr) {
    fprintf(stderr, "%s\n", error);
    return 1;
  }
  const double wall1 = Seconds(CLOCK_MONOTONIC), cpu1 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
  printf("load_wall_s %.3f\nload_cpu_s %.3f\nload_rss_mib %.1f\n", wall1 - wall0, cpu1 - cpu0,
         ResidentMiB() - rss_before);

  for (size_t i = 0; i < words.size(); ++i)
    ids[i] = lexkit_model_index(model, words[i].data(), words[i].size());
  const double lookup_cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu1;
  printf("lookup_words_per_s %.0f\n", ids.size() / lookup_cpu);

  double best = 1e30, total = 0;
  for (int r = 0; r < repeats; ++r) {
    const double start = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    total = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
      const size_t context = i < 2 ? i : 2;
      total += lexkit_model_prob(model, ids.data() + i - context, context, ids[i], nullptr);
    }
    const double took = Seconds(CLOCK_PROCESS_CPUTIME_ID) - start;
    if (took < best) best = took;
  }
  printf("words %zu\nlog10_prob %.3f\nscore_cpu_s %.3f\nscore_words_per_s %.0f\n", ids.size(),
         total, best, ids.size() / best);
  printf("scored_rss_mib %.1f\n", ResidentMiB() - rss_before);
  lexkit_model_close(model);
  return 0;
}
