// Absolute discounting: one constant D = N1 / (N1 + 2 N2) per level is
// subtracted from every count, N1 and N2 being the numbers of n-grams of the
// level seen once and twice.
#include <stdint.h>

#include "lexkit/ngram.h"
#include "lexkit/pc_general.h"
#include "lexkit/stats.h"

extern "C" void dump_disc_meth_absolute_verbose_method(
    ng_t * /*ng*/, unsigned short verbosity) {
  pc_message(verbosity, 2, "Absolute\n");
}

extern "C" double dump_absolute_discounted_ngram_count(
    ng_t *ng, int N, count_t ngcount, count_t /*margcount*/,
    int * /*current_pos*/) {
  return static_cast<double>(ngcount) - ng->abs_disc_const[N];
}

extern "C" void disc_meth_absolute_allocate_freq_of_freq(ng_t *ng) {
  for (int k = 0; k < ng->n; ++k)
    ng->freq_of_freq[k] = reinterpret_cast<fof_t *>(ox_calloc(3, sizeof(fof_t)));
  ng->abs_disc_const =
      reinterpret_cast<double *>(ox_calloc(ng->n, sizeof(double)));
}

extern "C" void disc_meth_absolute_update_freq_of_freq(ng_t *ng, int N,
                                                       count_t countno) {
  if (countno > 2) return;
  if (countno <= 0) {
    show_idngram_corruption_mesg();  // ends the process
    return;
  }
  ++ng->freq_of_freq[N][countno];
}

extern "C" void disc_meth_absolute_reduce_ug_freq_of_freq(ng_t *ng, int i) {
  const count_ind_t count = ng->count[0][i];
  if (count <= 2) --ng->freq_of_freq[0][count];
}

extern "C" void disc_meth_absolute_compute_disc_aux(ng_t *ng, int verbosity) {
  const auto v = static_cast<unsigned short>(verbosity);
  pc_message(v, 1, "Absolute discounting ratios :\n");
  for (int k = 0; k < ng->n; ++k) {
    // The constant is formed in single precision, as stored models expect.
    // 2 N2 is widened first so that a huge tally cannot overflow.
    const fof_t n1 = ng->freq_of_freq[k][1];
    const int64_t twice_n2 = 2 * static_cast<int64_t>(ng->freq_of_freq[k][2]);
    const float sum = static_cast<float>(n1) + static_cast<float>(twice_n2);
    float d = 0.0f;
    if (sum == 0.0f) {
      pc_message(v, 1,
                 "Warning : %d-grams : no n-grams seen once or twice; the "
                 "absolute discounting constant is 0 (no discounting).\n",
                 k + 1);
    } else {
      d = static_cast<float>(n1) / sum;
    }
    ng->abs_disc_const[k] = d;

    pc_message(v, 1, "%d-gram : ", k + 1);
    for (int j = 1; j <= 5; ++j)
      pc_message(v, 1, "%g ", (j - ng->abs_disc_const[k]) / j);
    pc_message(v, 1, " ... \n");
  }
}

extern "C" void dump_disc_meth_absolute_info(ng_t * /*ng*/) {}
