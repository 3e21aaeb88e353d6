// Benchmark driver for text -> id trigrams (not installed).
//
//   ngram_bench gen MEGABYTES > corpus        English-like text, Zipf-
//                                             distributed over 50000 words
//   ngram_bench run VOCAB CORPUS TMPDIR OUT [BUFFER_MB]
//                                             read_vocab, read_txt2ngram_buffer
//                                             and merge_idngramfiles for 3-grams
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "lexkit/ac_hash.h"
#include "lexkit/ac_lmfunc_impl.h"
#include "lexkit/general.h"

namespace {

uint64_t g_state = 0x9E3779B97F4A7C15ULL;
uint64_t NextRandom() {  // xorshift64*
  g_state ^= g_state >> 12;
  g_state ^= g_state << 25;
  g_state ^= g_state >> 27;
  return g_state * 0x2545F4914F6CDD1DULL;
}

int Generate(long megabytes) {
  const int kWords = 50000;
  const char *syllables[] = {"the", "an", "in", "ter", "pro", "ca", "lo", "ment", "er", "ing",
                             "re", "con", "de", "ly", "tion", "st", "or", "al", "un", "se"};
  std::vector<std::string> words;
  for (int i = 0; i < kWords; ++i) {
    std::string w;
    int k = i;
    do {
      w += syllables[k % 20];
      k /= 20;
    } while (k > 0);
    words.push_back(w);
  }
  std::vector<double> cdf(kWords);
  double sum = 0;
  for (int i = 0; i < kWords; ++i) cdf[i] = sum += 1.0 / std::pow(i + 1, 1.05);
  for (double &c : cdf) c /= sum;
  const size_t target = static_cast<size_t>(megabytes) << 20;
  std::string line;
  size_t written = 0;
  while (written < target) {
    line.clear();
    int length = 6 + static_cast<int>(NextRandom() % 14);
    for (int i = 0; i < length; ++i) {
      double u = static_cast<double>(NextRandom() >> 11) / 9007199254740992.0;
      size_t lo = 0, hi = cdf.size() - 1;
      while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (cdf[mid] < u) lo = mid + 1; else hi = mid;
      }
      if (i) line += ' ';
      line += words[lo];
    }
    line += '\n';
    fwrite(line.data(), 1, line.size(), stdout);
    written += line.size();
  }
  return 0;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Run(const char *vocab, const char *corpus, const char *tmpdir, const char *out,
        long buffer_mb) {
  const unsigned n = 3;
  auto start = std::chrono::steady_clock::now();
  idngram_hash_table table;
  const int M = 200003;
  new_idngram_hashtable(&table, M);
  read_vocab(vocab, 0, &table, M);

  FILE *in = fopen(corpus, "rb");
  if (!in) quit(-1, "cannot open %s\n", corpus);
  const size_t bytes = static_cast<size_t>(buffer_mb) << 20;
  const int buffer_size = static_cast<int>(bytes / (4 * n)) - 1;
  wordid_t *buffer = reinterpret_cast<wordid_t *>(ox_malloc(bytes));
  int files = read_txt2ngram_buffer(in, &table, 0, buffer, buffer_size, n, tmpdir, "", nullptr);
  fclose(in);
  double t_buffer = Seconds(start);

  FILE *fp = fopen(out, "wb");
  merge_idngramfiles(1, files, tmpdir, "", 20, fp, 0, 0, static_cast<int>(n));
  fclose(fp);
  double t_total = Seconds(start);

  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  printf("files=%d buffer_s=%.2f merge_s=%.2f total_s=%.2f peak_rss_mb=%.1f\n", files,
         t_buffer, t_total - t_buffer, t_total, usage.ru_maxrss / 1024.0);
  free(buffer);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 3 && strcmp(argv[1], "gen") == 0) return Generate(atol(argv[2]));
  if ((argc == 6 || argc == 7) && strcmp(argv[1], "run") == 0)
    return Run(argv[2], argv[3], argv[4], argv[5], argc == 7 ? atol(argv[6]) : 100);
  fprintf(stderr,
          "usage: ngram_bench gen MEGABYTES > corpus\n"
          "       ngram_bench run VOCAB CORPUS TMPDIR OUT [BUFFER_MB]\n");
  return 2;
}
