// Small back-off models shared by the model and scorelex tests, with their
// probabilities worked out by hand, and a reference scorer that follows the
// ARPA back-off rule word by word over the text of an ARPA file.
#ifndef LEXKIT_TESTS_MODEL_FILES_H
#define LEXKIT_TESTS_MODEL_FILES_H

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace lexkit_test {

// A trigram model; ids in unigram order: <unk> 0, a 1, b 2, <s> 3, </s> 4.
inline const char kTrigramArpa[] =
    "a comment before the data\n"
    "\\data\\\n"
    "ngram 1=5\n"
    "ngram 2=4\n"
    "ngram 3=2\n"
    "\n"
    "\\1-grams:\n"
    "-1.0\t<unk>\t-0.5\n"
    "-0.5 a -0.25\n"
    "-0.75 b -0.125\n"
    "-99 <s> -0.3\n"
    "-0.6 </s>\n"
    "\n"
    "\\2-grams:\n"
    "-0.2 a b -0.1\n"
    "-0.3 b a -0.05\n"
    "-0.4 <s> a -0.2\n"
    "-0.15 b </s>\n"
    "\n"
    "\\3-grams:\n"
    "-0.05 a b a\n"
    "-0.07 <s> a b\n"
    "\n"
    "\\end\\\n";

// The same model with every section shuffled and <unk> listed in the
// middle, so the ids differ: a 1, b 2, <unk> 0, <s> 3, </s> 4.
inline const char kShuffledTrigramArpa[] =
    "\\data\\\n"
    "ngram 1=5\n"
    "ngram 2=4\n"
    "ngram 3=2\n"
    "\\1-grams:\n"
    "-0.5 a -0.25\n"
    "-0.75 b -0.125\n"
    "-1.0 <unk> -0.5\n"
    "-0.6 </s>\n"
    "-99 <s> -0.3\n"
    "\\2-grams:\n"
    "-0.15 b </s>\n"
    "-0.4 <s> a -0.2\n"
    "-0.3 b a -0.05\n"
    "-0.2 a b -0.1\n"
    "\\3-grams:\n"
    "-0.07 <s> a b\n"
    "-0.05 a b a\n"
    "\\end\\\n";

// A closed bigram model (no <unk>): x 1, y 2.
inline const char kClosedBigramArpa[] =
    "\\data\\\n"
    "ngram 1=2\n"
    "ngram 2=1\n"
    "\\1-grams:\n"
    "-0.3 x -0.2\n"
    "-0.4 y -0.1\n"
    "\\2-grams:\n"
    "-0.1 x y\n"
    "\\end\\\n";

// A random back-off model in ARPA form: `vocab` words w0, w1, ... besides
// <unk>, and for each order above 1 n-grams that extend random n-grams of
// the order below (so every context is listed), in shuffled order. The
// numbers are arbitrary; only their use is under test.
inline std::string RandomArpa(unsigned seed, int vocab, int order, int per_order) {
  std::mt19937 random(seed);
  auto number = [&] { return std::to_string(-static_cast<double>(random() % 100000) / 20000); };
  std::vector<std::vector<std::string>> levels(order);
  levels[0].push_back("<unk>");
  for (int w = 0; w < vocab; ++w) levels[0].push_back("w" + std::to_string(w));
  for (int k = 1; k < order; ++k) {
    std::set<std::string> grams;
    for (int i = 0; i < per_order * 4 && static_cast<int>(grams.size()) < per_order; ++i)
      grams.insert(levels[k - 1][random() % levels[k - 1].size()] + " " +
                   levels[0][random() % levels[0].size()]);
    levels[k].assign(grams.begin(), grams.end());
    std::shuffle(levels[k].begin(), levels[k].end(), random);
  }
  std::string text = "\\data\\\n";
  for (int k = 0; k < order; ++k)
    text += "ngram " + std::to_string(k + 1) + "=" + std::to_string(levels[k].size()) + "\n";
  for (int k = 0; k < order; ++k) {
    text += "\n\\" + std::to_string(k + 1) + "-grams:\n";
    for (const std::string &gram : levels[k])
      text += number() + " " + gram + (k + 1 < order ? " " + number() : "") + "\n";
  }
  return text + "\n\\end\\\n";
}

// P(word | context) by the back-off rule, straight from an ARPA text: the
// longest n-gram of the context's last words and the word that is listed,
// plus the weights of the longer contexts that are listed.
class ReferenceModel {
 public:
  explicit ReferenceModel(const std::string &arpa) {
    std::istringstream in(arpa);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
      if (line.size() > 1 && line[0] == '\\' && isdigit(static_cast<unsigned char>(line[1]))) {
        n = std::stoi(line.substr(1));
        order_ = n;
        continue;
      }
      if (line.empty() || line[0] == '\\' || n == 0) continue;
      std::istringstream fields(line);
      double prob;
      fields >> prob;
      std::vector<std::string> gram(n);
      for (std::string &w : gram) fields >> w;
      double bow = 0;
      fields >> bow;
      entries_[gram] = {prob, bow};
    }
  }

  double Prob(std::vector<std::string> context, const std::string &word) const {
    if (static_cast<int>(context.size()) > order_ - 1)
      context.erase(context.begin(), context.end() - (order_ - 1));
    double backoff = 0;
    for (size_t skip = 0;; ++skip) {
      std::vector<std::string> gram(context.begin() + skip, context.end());
      gram.push_back(word);
      auto hit = entries_.find(gram);
      if (hit != entries_.end()) return hit->second.first + backoff;
      gram.pop_back();
      auto ctx = entries_.find(gram);
      if (ctx != entries_.end()) backoff += ctx->second.second;
      if (gram.empty()) return -99 + backoff;  // a word the model lacks
    }
  }

 private:
  int order_ = 0;
  std::map<std::vector<std::string>, std::pair<double, double>> entries_;
};

}  // namespace lexkit_test

#endif  // LEXKIT_TESTS_MODEL_FILES_H
