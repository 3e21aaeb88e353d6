// Deterministic benchmark corpora on stdout.
//
//   gen_corpus zipf MEGABYTES
//     5,000,000 distinct words of 3 to 12 lower-case letters drawn with Zipf
//     exponent 1.0, lines of 10 to 30 words.
//   gen_corpus text MEGABYTES SAMPLE
//     English-like running text with a small vocabulary: the lines of SAMPLE
//     mixed with sentences over its words and a few thousand made-up ones.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>((Next() >> 32) * n >> 32); }
  double Unit() { return (Next() >> 11) * 0x1.0p-53; }

 private:
  uint64_t state_;
};

// Walker's alias method: O(1) draws from a fixed discrete distribution.
class AliasTable {
 public:
  explicit AliasTable(const std::vector<double> &weights)
      : probability_(weights.size()), alias_(weights.size()) {
    const size_t n = weights.size();
    double total = 0;
    for (double w : weights) total += w;
    std::vector<double> scaled(n);
    std::vector<uint32_t> small, large;
    for (size_t i = 0; i < n; ++i) {
      scaled[i] = weights[i] * n / total;
      (scaled[i] < 1 ? small : large).push_back(static_cast<uint32_t>(i));
    }
    while (!small.empty() && !large.empty()) {
      uint32_t s = small.back(), l = large.back();
      small.pop_back();
      probability_[s] = scaled[s];
      alias_[s] = l;
      scaled[l] -= 1 - scaled[s];
      if (scaled[l] < 1) {
        large.pop_back();
        small.push_back(l);
      }
    }
    for (uint32_t i : small) probability_[i] = 1;
    for (uint32_t i : large) probability_[i] = 1;
  }
  uint32_t Draw(Random &rng) const {
    uint32_t i = rng.Below(static_cast<uint32_t>(probability_.size()));
    return rng.Unit() < probability_[i] ? i : alias_[i];
  }

 private:
  std::vector<double> probability_;
  std::vector<uint32_t> alias_;
};

std::vector<double> ZipfWeights(size_t n, double exponent) {
  std::vector<double> weights(n);
  for (size_t r = 0; r < n; ++r) weights[r] = 1.0 / std::pow(r + 1.0, exponent);
  return weights;
}

std::vector<std::string> DistinctWords(size_t n, size_t min_len, size_t max_len,
                                       Random &rng) {
  std::unordered_set<std::string> seen;
  seen.reserve(n * 2);
  std::vector<std::string> words;
  words.reserve(n);
  while (words.size() < n) {
    std::string w(min_len + rng.Below(static_cast<uint32_t>(max_len - min_len + 1)), 'a');
    for (char &c : w) c = static_cast<char>('a' + rng.Below(26));
    if (seen.insert(w).second) words.push_back(std::move(w));
  }
  return words;
}

class Output {
 public:
  explicit Output(uint64_t limit) : limit_(limit) { buffer_.reserve(1 << 20); }
  ~Output() { Flush(); }
  bool Full() const { return written_ + buffer_.size() >= limit_; }
  void Add(const std::string &s) {
    buffer_ += s;
    if (buffer_.size() >= (1 << 20)) Flush();
  }
  void Add(char c) { buffer_ += c; }

 private:
  void Flush() {
    fwrite(buffer_.data(), 1, buffer_.size(), stdout);
    written_ += buffer_.size();
    buffer_.clear();
  }
  uint64_t limit_;
  uint64_t written_ = 0;
  std::string buffer_;
};

void Zipf(uint64_t bytes) {
  Random rng(1);
  std::vector<std::string> words = DistinctWords(5000000, 3, 12, rng);
  AliasTable ranks(ZipfWeights(words.size(), 1.0));
  Output out(bytes);
  while (!out.Full()) {
    for (uint32_t i = 0, n = 10 + rng.Below(21); i < n; ++i) {
      if (i) out.Add(' ');
      out.Add(words[ranks.Draw(rng)]);
    }
    out.Add('\n');
  }
}

void Text(uint64_t bytes, const char *sample_path) {
  std::ifstream sample(sample_path);
  std::vector<std::string> lines, vocabulary;
  for (std::string line; std::getline(sample, line);) {
    lines.push_back(line);
    std::istringstream words(line);
    for (std::string w; words >> w;) vocabulary.push_back(w);
  }
  if (lines.empty()) {
    fprintf(stderr, "gen_corpus: no text in %s\n", sample_path);
    exit(1);
  }
  // Made-up words from syllables, then the sample's words; both drawn with
  // a Zipf law as running text has.
  Random rng(2);
  static const char *const kSyllables[] = {"an", "ber", "co", "di", "el", "for",
                                           "ga", "hen", "in", "lo", "man", "ne",
                                           "or", "pe", "ri", "son", "ta", "ul",
                                           "ver", "wy", "the", "ing", "ed", "st"};
  std::unordered_set<std::string> seen(vocabulary.begin(), vocabulary.end());
  std::vector<std::string> made_up;
  while (made_up.size() < 8000) {
    std::string w;
    for (uint32_t i = 0, n = 1 + rng.Below(4); i < n; ++i) w += kSyllables[rng.Below(24)];
    if (rng.Below(10) == 0) w[0] = static_cast<char>(w[0] - 'a' + 'A');
    if (seen.insert(w).second) made_up.push_back(w);
  }
  std::vector<std::string> all(vocabulary.begin(), vocabulary.end());
  all.insert(all.end(), made_up.begin(), made_up.end());
  AliasTable pick(ZipfWeights(all.size(), 1.0));
  Output out(bytes);
  while (!out.Full()) {
    if (rng.Below(4) == 0) {
      out.Add(lines[rng.Below(static_cast<uint32_t>(lines.size()))]);
    } else {
      for (uint32_t i = 0, n = 5 + rng.Below(20); i < n; ++i) {
        out.Add(all[pick.Draw(rng)]);
        out.Add(rng.Below(12) == 0 ? " , " : " ");
      }
      out.Add(".");
    }
    out.Add('\n');
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (argc >= 3 && std::string(argv[1]) == "zipf") {
    Zipf(std::strtoull(argv[2], nullptr, 10) << 20);
  } else if (argc >= 4 && std::string(argv[1]) == "text") {
    Text(std::strtoull(argv[2], nullptr, 10) << 20, argv[3]);
  } else {
    fprintf(stderr, "usage: gen_corpus zipf MB | gen_corpus text MB SAMPLE\n");
    return 1;
  }
  return 0;
}
