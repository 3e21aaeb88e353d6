// TEMPORARY, for the scoring benchmark until the model builder lands: a
// trigram back-off model in ARPA form from gramlex's ASCII counts, by plain
// absolute discounting (D = 0.7 at orders 2 and 3, add-half unigrams), with
// back-off weights that normalise every context. Only the benchmark uses
// it; the numbers need only be a plausible model's, not a good one's.
//
//   toy_arpa VOCAB 1GRAMS 2GRAMS 3GRAMS > model.arpa
// where the n-gram files are `gramlex -n N -write_ascii` outputs of one text.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr double kDiscount = 0.7;

struct Gram {
  uint32_t id[3];
  double count;
};

// The n-grams whose ids are all below `v` (a word of more than 499 bytes
// gets more than one id from gramlex's vocabulary reader; it is left out).
std::vector<Gram> ReadGrams(const char *path, int n, size_t v) {
  std::ifstream in(path);
  std::vector<Gram> grams;
  Gram g = {};
  while (true) {
    for (int i = 0; i < n; ++i) in >> g.id[i];
    if (!(in >> g.count)) break;
    if (std::all_of(g.id, g.id + n, [v](uint32_t id) { return id < v; })) grams.push_back(g);
  }
  return grams;
}

// Successor lists of the contexts of one order: probability of each n-gram
// (after its context) and the weight of each context.
struct Level {
  std::vector<Gram> grams;   // sorted, count replaced by log10 probability
  std::vector<double> bows;  // per gram, as a context of the next order
};

void PrintWords(const std::vector<std::string> &vocab, const Gram &g, int n) {
  for (int i = 0; i < n; ++i) printf(" %s", vocab[g.id[i]].c_str());
}

// The explicit probability of (ctx..., w) at `level` (n words), or NAN.
double Find(const Level &level, const uint32_t *ids, int n) {
  auto less = [n](const Gram &g, const uint32_t *key) {
    return std::lexicographical_compare(g.id, g.id + n, key, key + n);
  };
  auto it = std::lower_bound(level.grams.begin(), level.grams.end(), ids, less);
  if (it == level.grams.end() || !std::equal(ids, ids + n, it->id)) return NAN;
  return pow(10.0, it->count);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: toy_arpa VOCAB 1GRAMS 2GRAMS 3GRAMS\n");
    return 1;
  }
  std::vector<std::string> vocab = {"<unk>"};
  std::ifstream words(argv[1]);
  for (std::string line; std::getline(words, line);)
    if (line.compare(0, 2, "##") != 0) vocab.push_back(line);
  const size_t v = vocab.size();

  std::vector<double> p1(v, 0.0);
  double total = 0;
  for (const Gram &g : ReadGrams(argv[2], 1, v)) {
    p1[g.id[0]] += g.count;
    total += g.count;
  }
  for (double &p : p1) p = (p + 0.5) / (total + 0.5 * v);

  Level levels[3];
  for (int n = 2; n <= 3; ++n) {
    Level &level = levels[n - 1];
    level.grams = ReadGrams(argv[n + 1], n, v);
    level.bows.assign(level.grams.size(), 0.0);
  }
  std::vector<double> bow1(v, 1.0);
  // Discounted probabilities per context group, and each context's weight:
  // the mass left over its successors, over what the lower order gives them.
  for (int n = 2; n <= 3; ++n) {
    std::vector<Gram> &grams = levels[n - 1].grams;
    for (size_t start = 0; start < grams.size();) {
      size_t end = start;
      double context_count = 0;
      while (end < grams.size() && std::equal(grams[start].id, grams[start].id + n - 1, grams[end].id))
        context_count += grams[end++].count;
      double left = 1, lower = 0;
      for (size_t i = start; i < end; ++i) {
        Gram &g = grams[i];
        const double p = (g.count - kDiscount) / context_count;
        double q = n == 2 ? p1[g.id[1]] : Find(levels[1], g.id + 1, 2);
        if (isnan(q)) q = bow1[g.id[1]] * p1[g.id[2]];
        left -= p;
        lower += q;
        g.count = log10(p);
      }
      const double bow = left / std::max(1e-12, 1 - lower);
      if (n == 2) {
        bow1[grams[start].id[0]] = bow;
      } else {
        auto it = std::lower_bound(levels[1].grams.begin(), levels[1].grams.end(), grams[start].id,
                                   [](const Gram &g, const uint32_t *key) {
                                     return std::lexicographical_compare(g.id, g.id + 2, key, key + 2);
                                   });
        if (it != levels[1].grams.end() && std::equal(it->id, it->id + 2, grams[start].id))
          levels[1].bows[it - levels[1].grams.begin()] = bow;
      }
      start = end;
    }
  }

  printf("\\data\\\nngram 1=%zu\nngram 2=%zu\nngram 3=%zu\n\n\\1-grams:\n", v,
         levels[1].grams.size(), levels[2].grams.size());
  for (size_t id = 0; id < v; ++id)
    printf("%.6f %s %.6f\n", log10(p1[id]), vocab[id].c_str(), log10(std::max(1e-99, bow1[id])));
  printf("\n\\2-grams:\n");
  for (size_t i = 0; i < levels[1].grams.size(); ++i) {
    const Gram &g = levels[1].grams[i];
    printf("%.6f", g.count);
    PrintWords(vocab, g, 2);
    printf(" %.6f\n", levels[1].bows[i] > 0 ? log10(levels[1].bows[i]) : 0.0);
  }
  printf("\n\\3-grams:\n");
  for (const Gram &g : levels[2].grams) {
    printf("%.6f", g.count);
    PrintWords(vocab, g, 3);
    printf("\n");
  }
  printf("\n\\end\\\n");
  return 0;
}
