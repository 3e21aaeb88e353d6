// Good-Turing discounting: a frequency-of-frequency table of the counts up
// to fof_size per level, turned into per-count ratios by
// compute_gt_discount; counts up to the level's range are multiplied by
// their ratio.
#include "lexkit/ngram.h"
#include "lexkit/pc_general.h"
#include "lexkit/stats.h"

extern "C" void dump_disc_meth_good_turing_verbose_method(
    ng_t *ng, unsigned short verbosity) {
  pc_message(verbosity, 2, "Good-Turing\n");
  pc_message(verbosity, 2, "     Discounting ranges :\n        ");
  for (int k = 0; k < ng->n; ++k)
    pc_message(verbosity, 2, "%d-gram : %d     ", k + 1, ng->disc_range[k]);
  pc_message(verbosity, 2, "\n");
}

extern "C" double dump_good_turing_discounted_ngram_count(
    ng_t *ng, int N, count_t ngcount, count_t /*margcount*/,
    int * /*current_pos*/) {
  // The ratio row holds counts 1 to the range; a count below 1 cannot come
  // from a well-formed model and is returned as it is rather than used as
  // an index.
  if (ngcount > ng->disc_range[N] || ngcount < 1)
    return static_cast<double>(ngcount);
  return ngcount * ng->gt_disc_ratio[N][ngcount];
}

extern "C" void disc_meth_good_turing_allocate_freq_of_freq(ng_t *ng) {
  for (int k = 0; k < ng->n; ++k)
    ng->freq_of_freq[k] = reinterpret_cast<fof_t *>(
        ox_calloc(static_cast<size_t>(ng->fof_size[k]) + 1, sizeof(fof_t)));
}

extern "C" void disc_meth_good_turing_update_freq_of_freq(ng_t *ng, int N,
                                                          count_t countno) {
  // Compared unsigned, a negative count is larger than any limit and so is
  // ignored with the counts above the limit.
  const auto count = static_cast<fof_sz_t>(countno);
  if (count > ng->fof_size[N]) return;
  if (count == 0) {
    show_idngram_corruption_mesg();  // ends the process
    return;
  }
  ++ng->freq_of_freq[N][count];
}

extern "C" void disc_meth_good_turing_reduce_ug_freq_of_freq(ng_t *ng, int i) {
  const count_ind_t count = ng->count[0][i];
  if (count <= ng->fof_size[0]) --ng->freq_of_freq[0][count];
}

extern "C" void disc_meth_good_turing_compute_disc_aux(ng_t *ng,
                                                       int verbosity) {
  ng->gt_disc_ratio = reinterpret_cast<disc_val_t **>(
      ox_malloc(ng->n * sizeof(disc_val_t *)));
  for (int k = 0; k < ng->n; ++k)
    ng->gt_disc_ratio[k] = reinterpret_cast<disc_val_t *>(
        ox_malloc(ng->fof_size[k] * sizeof(disc_val_t)));
  for (int k = 0; k < ng->n; ++k) {
    const int cutoff = k == 0 ? 0 : ng->cutoffs[k - 1];
    compute_gt_discount(k + 1, ng->freq_of_freq[k],
                        static_cast<int>(ng->fof_size[k]), &ng->disc_range[k],
                        cutoff, verbosity, &ng->gt_disc_ratio[k]);
  }
}

extern "C" void dump_disc_meth_good_turing_info(ng_t * /*ng*/) {}
