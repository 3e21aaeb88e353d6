// Linear discounting: every count of a level is scaled by 1 - N1 / n, N1
// being the number of n-grams of the level seen once and n the unigram
// total.
#include "lexkit/ngram.h"
#include "lexkit/pc_general.h"

extern "C" void dump_disc_meth_linear_verbose_method(ng_t * /*ng*/,
                                                     unsigned short verbosity) {
  pc_message(verbosity, 2, "Linear\n");
}

extern "C" double dump_linear_discounted_ngram_count(ng_t *ng, int N,
                                                     count_t ngcount,
                                                     count_t /*margcount*/,
                                                     int * /*current_pos*/) {
  return static_cast<double>(ngcount) * ng->lin_disc_ratio[N];
}

extern "C" void disc_meth_linear_allocate_freq_of_freq(ng_t *ng) {
  for (int k = 0; k < ng->n; ++k)
    ng->freq_of_freq[k] = reinterpret_cast<fof_t *>(ox_calloc(2, sizeof(fof_t)));
}

extern "C" void disc_meth_linear_update_freq_of_freq(ng_t *ng, int N,
                                                     count_t countno) {
  if (countno == 1) ++ng->freq_of_freq[N][1];
}

extern "C" void disc_meth_linear_reduce_ug_freq_of_freq(ng_t *ng, int i) {
  const count_ind_t count = ng->count[0][i];
  if (count <= 1) --ng->freq_of_freq[0][count];
}

extern "C" void disc_meth_linear_compute_disc_aux(ng_t *ng, int verbosity) {
  const auto v = static_cast<unsigned short>(verbosity);
  ng->lin_disc_ratio =
      reinterpret_cast<disc_val_t *>(ox_malloc(ng->n * sizeof(disc_val_t)));
  pc_message(v, 1, "Linear discounting ratios :\n");
  for (int k = 0; k < ng->n; ++k) {
    // The ratio is formed in single precision, as stored models expect.
    float ratio = 1.0f;
    if (ng->n_unigrams == 0) {
      pc_message(v, 1,
                 "Warning : %d-grams : the unigram total is 0; the linear "
                 "discount ratio is 1 (no discounting).\n",
                 k + 1);
    } else {
      const float share = static_cast<float>(ng->freq_of_freq[k][1]) /
                          static_cast<float>(ng->n_unigrams);
      ratio = 1.0f - share;
    }
    ng->lin_disc_ratio[k] = ratio;
    pc_message(v, 1, "%d-gram : %g\n", k + 1, ng->lin_disc_ratio[k]);
  }
}

extern "C" void dump_disc_meth_linear_info(ng_t * /*ng*/) {}
