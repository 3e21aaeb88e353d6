// Witten-Bell discounting: a count is scaled by m / (m + T), m being the
// count of its context and T the number of distinct words that follow the
// context in the model. No frequency-of-frequency statistics are needed.
#include <stdint.h>

#include "lexkit/ngram.h"
#include "lexkit/pc_general.h"
#include "liblmest/type_count.h"

extern "C" void dump_disc_meth_witten_bell_verbose_method(
    ng_t * /*ng*/, unsigned short verbosity) {
  pc_message(verbosity, 2, "Witten-Bell\n");
}

extern "C" double dump_witten_bell_discounted_ngram_count(
    ng_t *ng, int N, count_t ngcount, count_t margcount, int *current_pos) {
  // Unigrams have no context to discount by.
  if (N < 1) return static_cast<double>(ngcount);
  // The type count is taken in full width, so contexts with more than
  // 65535 followers are discounted correctly.
  const int64_t types = lexkit::CountTypes(N - 1, current_pos[N - 1], ng);
  const int64_t denominator = static_cast<int64_t>(margcount) + types;
  // A context never seen and never followed leaves nothing to discount.
  if (denominator == 0) return 0.0;
  return static_cast<double>(margcount) * static_cast<double>(ngcount) /
         static_cast<double>(denominator);
}

extern "C" void disc_meth_witten_bell_allocate_freq_of_freq(ng_t *ng) {
  ng->freq_of_freq[0] = reinterpret_cast<fof_t *>(ox_calloc(1, sizeof(fof_t)));
}

extern "C" void disc_meth_witten_bell_update_freq_of_freq(
    ng_t * /*ng*/, int /*N*/, count_t /*countno*/) {}

extern "C" void disc_meth_witten_bell_reduce_ug_freq_of_freq(ng_t *ng, int i) {
  if (ng->count[0][i] == 0) --ng->freq_of_freq[0][0];
}

extern "C" void disc_meth_witten_bell_compute_disc_aux(ng_t * /*ng*/,
                                                       int /*verbosity*/) {}

extern "C" void dump_disc_meth_witten_bell_info(ng_t * /*ng*/) {}
