// Counts, in one pass over a sorted id n-gram file, the k-grams (k from 2 to
// n) whose total count exceeds their cutoff, and adds them, with a margin of
// 10 per level, to the table sizes. The file is reopened at its start
// afterwards, so that the next reader can begin again (also through a
// decompressor).
#include <stdio.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "lexkit/general.h"
#include "lexkit/ngram.h"
#include "lexkit/stats.h"

namespace {

const int kMargin = 10;

// The first position at which two n-grams differ; their length if none.
int FirstDifference(const std::vector<id__t> &a, const std::vector<id__t> &b) {
  return static_cast<int>(std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin());
}

}  // namespace

extern "C" void calc_mem_req(ng_t *ng, flag is_ascii) {
  const int n = ng->n;
  std::vector<id__t> current_ids(n), previous_ids(n);
  ngram current_ngram{ng->n, current_ids.data(), 0};
  // Entry j: running total of the (j+1)-gram made of the first j+1 ids of the
  // current n-gram, and the number of (j+1)-grams kept so far. Both are held
  // in 64 bits: a total of many 32-bit counts may exceed 32 bits.
  std::vector<int64_t> ng_count(n, 0), kept(n, 0);
  auto close_group = [&](int j) {
    if (j >= 1 && ng_count[j] > ng->cutoffs[j - 1]) ++kept[j];
  };

  // A stream that cannot be positioned (a decompressor's pipe that may have
  // been read on) is opened anew instead, so that the count always starts
  // at the first record.
  if (fseek(ng->id_gram_fp, 0, SEEK_SET) != 0 && ng->id_gram_fp != stdin) {
    ox_iclose(ng->id_gram_fp);
    ng->id_gram_fp = ox_iopen(ng->id_gram_filename);
  }
  clearerr(ng->id_gram_fp);
  // get_ngram itself reports the end of the file, so no separate end test
  // is needed before each record.
  bool first = true;
  while (get_ngram(ng->id_gram_fp, &current_ngram, is_ascii)) {
    // A count of 0 or less cannot come from a sound file, and would make
    // every total below meaningless.
    if (current_ngram.count <= 0) show_idngram_corruption_mesg();
    // The (j+1)-grams for j below the first new position continue; the
    // others are complete and start again with this n-gram.
    const int novel = first ? 0 : FirstDifference(current_ids, previous_ids);
    for (int j = 0; j < novel; ++j) ng_count[j] += current_ngram.count;
    for (int j = novel; j < n; ++j) {
      close_group(j);
      ng_count[j] = current_ngram.count;
    }
    first = false;
    std::swap(current_ids, previous_ids);
    current_ngram.id_array = current_ids.data();
  }
  for (int j = 1; j < n; ++j) close_group(j);

  for (int j = 1; j < n; ++j) {
    const int64_t size = ng->table_sizes[j] + kept[j] + kMargin;
    if (size > std::numeric_limits<table_size_t>::max())
      quit(-1,
           "calc_mem_req: %lld %d-grams do not fit in a table of at most %d "
           "entries.\n",
           static_cast<long long>(size), j + 1,
           std::numeric_limits<table_size_t>::max());
    ng->table_sizes[j] = static_cast<table_size_t>(size);
  }

  ox_iclose(ng->id_gram_fp);
  ng->id_gram_fp = ox_iopen(ng->id_gram_filename);
}
