/* lexkit: the language model record, id n-grams, discounting methods and
 * the estimator's storage, sizing and utility routines. */
#ifndef LEXKIT_NGRAM_H
#define LEXKIT_NGRAM_H

#include "general.h"
#include "sih.h"
#include "toolkit.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One id n-gram with its count. */
typedef struct {
  unsigned short n; /* ids per n-gram, set by the caller */
  id__t *id_array;  /* room for at least n ids, provided by the caller */
  count_t count;
} ngram;

/* The back-off model while it is built. Level k holds the (k+1)-grams;
 * `cutoffs` is indexed by order minus 2. */
typedef struct {
  unsigned short n;
  int32_t version;
  sih_t *vocab_ht;
  vocab_sz_t vocab_size;
  char **vocab;
  unsigned short no_of_ccs;
  table_size_t *table_sizes;
  id__t **word_id;
  count_ind_t **count;
  count_ind_t *marg_counts;
  count_t **count4;
  count_t *marg_counts4;
  bo_weight_t **bo_weight;
  four_byte_t **bo_weight4;
  index__t **ind;
  double min_alpha;
  double max_alpha;
  unsigned short out_of_range_alphas;
  double *alpha_array;
  unsigned short size_of_alpha_array;
  count_ind_t count_table_size;
  count_t **count_table;
  ptr_tab_t **ptr_table;
  ptr_tab_sz_t *ptr_table_size;
  unsigned short discounting_method;
  flag disc_range_set;
  cutoff_t *cutoffs;
  fof_t **freq_of_freq;
  fof_sz_t *fof_size;
  unsigned short *disc_range;
  disc_val_t **gt_disc_ratio;
  disc_val_t *lin_disc_ratio;
  double *abs_disc_const;
  uni_probs_t *uni_probs;
  uni_probs_t *uni_log_probs;
  flag *context_cue;
  ngram_sz_t n_unigrams;
  count_t min_unicount;
  ngram_sz_t *num_kgrams;
  char *id_gram_filename;
  FILE *id_gram_fp;
  char *vocab_filename;
  char *context_cues_filename;
  flag context_set;
  FILE *context_cues_fp;
  flag write_arpa;
  char *arpa_filename;
  FILE *arpa_fp;
  flag write_bin;
  char *bin_filename;
  FILE *bin_fp;
  unsigned short vocab_type;
  unsigned short first_id;
  double zeroton_fraction;
  double oov_fraction;
  flag four_byte_alphas;
  flag four_byte_counts;
  void *disc_meth;
} ng_t;

/* A discounting method: its code (1 Good-Turing, 2 absolute, 3 linear,
 * 4 Witten-Bell) and its six operations. */
typedef struct {
  int32 type;
  void (*verbose_method)(ng_t *ng, unsigned short verbosity);
  double (*dump_discounted_ngram_count)(ng_t *ng, int N, count_t ngcount,
                                        count_t margcount, int *current_pos);
  void (*allocate_freq_of_freq)(ng_t *ng);
  void (*update_freq_of_freq)(ng_t *ng, int N, count_t countno);
  void (*reduce_ug_freq_of_freq)(ng_t *ng, int i);
  void (*compute_discount_aux)(ng_t *ng, int verbosity);
} disc_meth_t;

LEXKIT_EXPORT disc_meth_t *disc_meth_init(int32 disc_meth);
LEXKIT_EXPORT void init_ng_disc_method(ng_t *ng, flag linear, flag absolute,
                                       flag witten_bell, flag good_turing);

/* Good-Turing. */
LEXKIT_EXPORT void dump_disc_meth_good_turing_verbose_method(
    ng_t *ng, unsigned short verbosity);
LEXKIT_EXPORT double dump_good_turing_discounted_ngram_count(
    ng_t *ng, int N, count_t ngcount, count_t margcount, int *current_pos);
LEXKIT_EXPORT void disc_meth_good_turing_allocate_freq_of_freq(ng_t *ng);
LEXKIT_EXPORT void disc_meth_good_turing_update_freq_of_freq(ng_t *ng, int N,
                                                             count_t countno);
LEXKIT_EXPORT void disc_meth_good_turing_reduce_ug_freq_of_freq(ng_t *ng,
                                                                int i);
LEXKIT_EXPORT void disc_meth_good_turing_compute_disc_aux(ng_t *ng,
                                                          int verbosity);
LEXKIT_EXPORT void dump_disc_meth_good_turing_info(ng_t *ng);

/* Absolute. */
LEXKIT_EXPORT void dump_disc_meth_absolute_verbose_method(
    ng_t *ng, unsigned short verbosity);
LEXKIT_EXPORT double dump_absolute_discounted_ngram_count(
    ng_t *ng, int N, count_t ngcount, count_t margcount, int *current_pos);
LEXKIT_EXPORT void disc_meth_absolute_allocate_freq_of_freq(ng_t *ng);
LEXKIT_EXPORT void disc_meth_absolute_update_freq_of_freq(ng_t *ng, int N,
                                                          count_t countno);
LEXKIT_EXPORT void disc_meth_absolute_reduce_ug_freq_of_freq(ng_t *ng, int i);
LEXKIT_EXPORT void disc_meth_absolute_compute_disc_aux(ng_t *ng,
                                                       int verbosity);
LEXKIT_EXPORT void dump_disc_meth_absolute_info(ng_t *ng);

/* Linear. */
LEXKIT_EXPORT void dump_disc_meth_linear_verbose_method(
    ng_t *ng, unsigned short verbosity);
LEXKIT_EXPORT double dump_linear_discounted_ngram_count(
    ng_t *ng, int N, count_t ngcount, count_t margcount, int *current_pos);
LEXKIT_EXPORT void disc_meth_linear_allocate_freq_of_freq(ng_t *ng);
LEXKIT_EXPORT void disc_meth_linear_update_freq_of_freq(ng_t *ng, int N,
                                                        count_t countno);
LEXKIT_EXPORT void disc_meth_linear_reduce_ug_freq_of_freq(ng_t *ng, int i);
LEXKIT_EXPORT void disc_meth_linear_compute_disc_aux(ng_t *ng, int verbosity);
LEXKIT_EXPORT void dump_disc_meth_linear_info(ng_t *ng);

/* Witten-Bell. */
LEXKIT_EXPORT void dump_disc_meth_witten_bell_verbose_method(
    ng_t *ng, unsigned short verbosity);
LEXKIT_EXPORT double dump_witten_bell_discounted_ngram_count(
    ng_t *ng, int N, count_t ngcount, count_t margcount, int *current_pos);
LEXKIT_EXPORT void disc_meth_witten_bell_allocate_freq_of_freq(ng_t *ng);
LEXKIT_EXPORT void disc_meth_witten_bell_update_freq_of_freq(ng_t *ng, int N,
                                                             count_t countno);
LEXKIT_EXPORT void disc_meth_witten_bell_reduce_ug_freq_of_freq(ng_t *ng,
                                                                int i);
LEXKIT_EXPORT void disc_meth_witten_bell_compute_disc_aux(ng_t *ng,
                                                          int verbosity);
LEXKIT_EXPORT void dump_disc_meth_witten_bell_info(ng_t *ng);

/* Number of distinct words that follow entry `ind` of level `k` (saturated
 * at 65535). */
LEXKIT_EXPORT unsigned short num_of_types(int k, int ind, ng_t *ng);

/* Short indices: full positions split into (position mod 65000, block). */
LEXKIT_EXPORT index__t new_index(ngram_sz_t full_index, ptr_tab_t *ind_table,
                                 ptr_tab_sz_t *ind_table_size,
                                 ngram_sz_t position_in_list);
LEXKIT_EXPORT int get_full_index(index__t short_index, ptr_tab_t *ind_table,
                                 ptr_tab_sz_t ind_table_size,
                                 int position_in_list);

/* Two-byte back-off weights and count tables. */
LEXKIT_EXPORT unsigned short short_alpha(double long_alpha,
                                         double *alpha_array,
                                         unsigned short *size_of_alpha_array,
                                         int elements_in_range,
                                         double min_range, double max_range);
LEXKIT_EXPORT double double_alpha(unsigned short short_alpha,
                                  double *alpha_array, int size_of_alpha_array,
                                  int elements_in_range, double min_range,
                                  double max_range);
LEXKIT_EXPORT int lookup_index_of(int *lookup_table, int lookup_table_size,
                                  int intval);

/* Id n-gram reader: 1 when a whole record was read, 0 at the end. */
LEXKIT_EXPORT int get_ngram(FILE *id_ngram_fp, ngram *ng, flag ascii);

/* Table sizing. */
LEXKIT_EXPORT void calc_mem_req(ng_t *ng, flag is_ascii);
LEXKIT_EXPORT void guess_mem(int total_mem, int middle_size, int end_size,
                             int n, table_size_t *table_sizes, int verbosity);

/* Forced back-off marks, one entry per word id 0..vocab_size. */
typedef struct {
  flag backed_off;
  flag inclusive;
} fb_info;

LEXKIT_EXPORT fb_info *gen_fb_list(sih_t *vocab_ht, vocab_sz_t vocab_size,
                                   char **vocab, flag *context_cue,
                                   flag backoff_from_unk_inc,
                                   flag backoff_from_unk_exc,
                                   flag backoff_from_ccs_inc,
                                   flag backoff_from_ccs_exc,
                                   const char *fb_list_filename);

/* One back-off annotation line, such as "3-2x1". */
LEXKIT_EXPORT void decode_bo_case(int bo_case, int context_length,
                                  FILE *annotation_fp);

/* Splits a line into blank-separated words (heap copies) in args. */
LEXKIT_EXPORT void parse_comline(const char *input_line, int *num_of_args,
                                 char **args);

/* Reference-counted blocks and two-dimensional arrays. */
typedef char *CHARPTR;
LEXKIT_EXPORT void *AllocShare(unsigned long size);
LEXKIT_EXPORT int AddShareCount(void *pMem);
LEXKIT_EXPORT int GetShareCount(void *pMem);
LEXKIT_EXPORT void FreeShare(void *pMem);
LEXKIT_EXPORT void *NewArray(size_t dim1, size_t dim2, size_t len);
LEXKIT_EXPORT void DeleteArray(void *pMem);
LEXKIT_EXPORT void __ErrorMsg(const char *msg, const char *file, int line)
#if defined(__GNUC__)
    __attribute__((noreturn))
#endif
    ;

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_NGRAM_H */
