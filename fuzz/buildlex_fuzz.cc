// The model builder on an arbitrary id n-gram file. The first byte chooses
// the order (1 to 4), the form (ASCII or binary), the method, the
// vocabulary type, a cut-off and whether the records are first made valid
// (ids within the vocabulary, counts from 1 to 64, sorted without repeats)
// so that the estimator, not only the checks, is reached. A fatal error is
// allowed; a model that is built must be a whole ARPA file.
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "lexkit/buildlex.h"

namespace {

const char kVocab[] = "a\nb\nc\nd\ne\n";  // ids 1..5
constexpr uint32_t kVocabSize = 5;

uint32_t Load32(const uint8_t *p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void Store32(uint32_t v, std::string *out) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(v >> shift));
}

// The binary records of `data`, made valid.
std::string ValidRecords(const uint8_t *data, size_t size, int n) {
  const size_t record = 4 * (static_cast<size_t>(n) + 1);
  std::vector<std::vector<uint32_t>> grams;
  for (size_t at = 0; at + record <= size; at += record) {
    std::vector<uint32_t> g;
    for (int i = 0; i <= n; ++i) g.push_back(Load32(data + at + 4 * i));
    for (int i = 0; i < n; ++i) g[i] %= kVocabSize + 1;
    g[n] = g[n] % 64 + 1;
    grams.push_back(g);
  }
  std::sort(grams.begin(), grams.end());
  grams.erase(std::unique(grams.begin(), grams.end(),
                          [n](const std::vector<uint32_t> &a, const std::vector<uint32_t> &b) {
                            return std::equal(a.begin(), a.begin() + n, b.begin());
                          }),
              grams.end());
  std::string bytes;
  for (const auto &g : grams)
    for (uint32_t v : g) Store32(v, &bytes);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint8_t choice = lexkit_fuzz::TakeByte(&data, &size);
  const int n = 1 + (choice & 3);
  const bool ascii = choice & 4;
  const bool valid = choice & 8 && !ascii;
  const std::string vocab =
      lexkit_fuzz::WriteScratch("v.vocab", reinterpret_cast<const uint8_t *>(kVocab), strlen(kVocab));
  std::string idngram;
  if (valid) {
    const std::string bytes = ValidRecords(data, size, n);
    idngram = lexkit_fuzz::WriteScratch(
        "t.idngram", reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
  } else {
    idngram = lexkit_fuzz::WriteScratch("t.idngram", data, size);
  }
  const std::string arpa = lexkit_fuzz::ScratchDir() + "/m.arpa";
  const std::string binary = lexkit_fuzz::ScratchDir() + "/m.bin";

  buildlex_options o;
  buildlex_default_options(&o);
  o.idngram_filename = idngram.c_str();
  o.vocab_filename = vocab.c_str();
  o.arpa_filename = arpa.c_str();
  o.bin_filename = choice & 0x80 ? binary.c_str() : nullptr;
  o.n = n;
  o.ascii_input = ascii;
  const int method = (choice >> 4) & 3;
  o.good_turing = method == 0;
  o.absolute = method == 1;
  o.linear = method == 2;
  o.witten_bell = method == 3;
  o.closed_vocabulary = choice & 0x40 ? 1 : 0;
  for (int k = 0; k + 1 < n; ++k) o.cutoffs[k] = choice & 0x40 ? k : 0;
  o.verbosity = 0;
  const bool built = lexkit_fuzz::Guarded([&] { buildlex_impl(&o); });
  if (built) {
    FILE *fp = fopen(arpa.c_str(), "rb");
    if (fp == nullptr) abort();
    std::string text;
    char block[4096];
    size_t got;
    while ((got = fread(block, 1, sizeof block, fp)) > 0) text.append(block, got);
    fclose(fp);
    const char kEnd[] = "\n\\end\\\n";
    if (text.size() < strlen(kEnd) || text.compare(text.size() - strlen(kEnd), strlen(kEnd), kEnd) != 0)
      abort();
  }
  lexkit_fuzz::ClearScratch();
  lexkit_fuzz::ReleaseTables();
  return 0;
}
