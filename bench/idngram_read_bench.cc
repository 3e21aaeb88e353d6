// Times reading an id n-gram file with get_ngram against the plain reader
// that tests the end and reads each field on its own (binary: ox_feof and
// ox_fread per field; ASCII: fscanf per field), and times calc_mem_req.
// Usage: idngram_read_bench <binary file> <ascii file> <n>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "lexkit/general.h"
#include "lexkit/ngram.h"

namespace {

int PlainBinary(FILE *fp, ngram *ng) {
  for (int i = 0; i < ng->n; ++i) {
    if (ox_feof(fp)) return 0;
    ox_fread(&ng->id_array[i], 4, 1, fp, "from id_ngram file", 0);
  }
  if (ox_feof(fp)) return 0;
  ox_fread(&ng->count, 4, 1, fp, "count from id_ngram file", 0);
  return 1;
}

int PlainAscii(FILE *fp, ngram *ng) {
  for (int i = 0; i < ng->n; ++i)
    if (fscanf(fp, "%d", reinterpret_cast<int *>(&ng->id_array[i])) != 1)
      return 0;
  return fscanf(fp, "%d", &ng->count) == 1;
}

template <typename Reader>
double Time(const char *path, int n, Reader read, int64_t *sum) {
  FILE *fp = ox_fopen(path, "rb");
  std::vector<id__t> ids(n);
  ngram g{static_cast<unsigned short>(n), ids.data(), 0};
  auto start = std::chrono::steady_clock::now();
  int64_t total = 0;
  while (read(fp, &g)) total += g.count + ids[0];
  auto end = std::chrono::steady_clock::now();
  fclose(fp);
  *sum = total;
  return std::chrono::duration<double>(end - start).count();
}

double TimeCalcMemReq(const char *path, int n, flag ascii) {
  std::vector<cutoff_t> cutoffs(n, 0);
  std::vector<table_size_t> sizes(n, 0);
  ng_t ng{};
  ng.n = static_cast<unsigned short>(n);
  ng.cutoffs = cutoffs.data();
  ng.table_sizes = sizes.data();
  ng.id_gram_filename = const_cast<char *>(path);
  ng.id_gram_fp = ox_iopen(path);
  auto start = std::chrono::steady_clock::now();
  calc_mem_req(&ng, ascii);
  auto end = std::chrono::steady_clock::now();
  ox_iclose(ng.id_gram_fp);
  return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s binary-file ascii-file n\n", argv[0]);
    return 1;
  }
  const char *bin = argv[1], *txt = argv[2];
  const int n = atoi(argv[3]);
  auto fast_bin = [](FILE *fp, ngram *g) { return get_ngram(fp, g, 0); };
  auto fast_txt = [](FILE *fp, ngram *g) { return get_ngram(fp, g, 1); };

  // Best of three, the two readers taking turns, so that both see the same
  // state of the machine.
  double plain_b = 1e30, new_b = 1e30, plain_t = 1e30, new_t = 1e30;
  double calc_b = 1e30, calc_t = 1e30;
  for (int round = 0; round < 3; ++round) {
    int64_t a, b;
    plain_b = std::min(plain_b, Time(bin, n, PlainBinary, &a));
    new_b = std::min(new_b, Time(bin, n, fast_bin, &b));
    if (a != b) return fprintf(stderr, "binary readers disagree\n"), 2;
    plain_t = std::min(plain_t, Time(txt, n, PlainAscii, &a));
    new_t = std::min(new_t, Time(txt, n, fast_txt, &b));
    if (a != b) return fprintf(stderr, "ascii readers disagree\n"), 2;
    calc_b = std::min(calc_b, TimeCalcMemReq(bin, n, 0));
    calc_t = std::min(calc_t, TimeCalcMemReq(txt, n, 1));
  }
  printf("binary: per-field reader %.3f s, get_ngram %.3f s, ratio %.2f\n",
         plain_b, new_b, plain_b / new_b);
  printf("ascii:  fscanf reader    %.3f s, get_ngram %.3f s, ratio %.2f\n",
         plain_t, new_t, plain_t / new_t);
  printf("calc_mem_req: binary %.3f s (%.2f x its get_ngram pass), "
         "ascii %.3f s (%.2f x)\n",
         calc_b, calc_b / new_b, calc_t, calc_t / new_t);
  return 0;
}
