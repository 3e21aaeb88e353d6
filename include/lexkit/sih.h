/* lexkit: string-to-id hash table of the estimator's vocabulary. */
#ifndef LEXKIT_SIH_H
#define LEXKIT_SIH_H

#include "general.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct {
  char *string;      /* the key, owned by the table once added */
  vocab_sz_t intval; /* the value; a slot whose intval is not positive is empty */
} sih_slot_t;

typedef struct {
  double max_occupancy; /* grow when nentries would exceed this share of nslots */
  double growth_ratio;  /* new nslots = old nslots * growth_ratio */
  int warn_on_update;   /* warn when an existing key gets a new value */
  vocab_sz_t nslots;
  vocab_sz_t nentries;
  sih_slot_t *slots;
} sih_t;

/* A new empty table; a setting of 0 selects the default. */
LEXKIT_EXPORT sih_t *sih_create(vocab_sz_t nslots, double max_occupancy,
                                double growth_ratio, int warn_on_update);
LEXKIT_EXPORT void sih_add(sih_t *ht, char *string, vocab_sz_t intval);
LEXKIT_EXPORT char sih_lookup(sih_t *ht, const char *string,
                              vocab_sz_t *p_intval);
LEXKIT_EXPORT void *sih_val_read_from_file(sih_t *ht, FILE *fp,
                                           const char *filename, int verbosity);
LEXKIT_EXPORT void *sih_val_write_to_file(sih_t *ht, FILE *fp,
                                          const char *filename, int verbosity);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_SIH_H */
