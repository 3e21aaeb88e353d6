/* lexkit: the word count table and the vocabulary index table. */
#ifndef LEXKIT_AC_HASH_H
#define LEXKIT_AC_HASH_H

#include "general.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Word count table: chained, a sentinel "HEAD_NODE" per chain, each chain in
 * ascending strcmp order. */
struct node {
  char *word;
  int count;
  struct node *next;
};

struct hash_table {
  int size;
  struct node **chain;
};

LEXKIT_EXPORT int nearest_prime(int num);
LEXKIT_EXPORT void new_hashtable(struct hash_table *table, int M);
LEXKIT_EXPORT struct node *new_node(const char *key);
LEXKIT_EXPORT int hash(const char *key, int M);
LEXKIT_EXPORT int update_chain(struct node *t, const char *key);
LEXKIT_EXPORT void update(struct hash_table *table, const char *key,
                          int verbosity);
LEXKIT_EXPORT void print(FILE *outfp, struct hash_table *table);

/* Vocabulary index table: word -> id, 0 for a word that is absent. */
struct idngram_node {
  char *word;
  wordid_t ind;
  struct idngram_node *next;
};

struct idngram_hash_table {
  int size;
  struct idngram_node **chain;
};

LEXKIT_EXPORT struct idngram_node *idngram_new_node(const char *key,
                                                    wordid_t ind);
LEXKIT_EXPORT int idngram_hash(const char *key, int M);
LEXKIT_EXPORT void new_idngram_hashtable(struct idngram_hash_table *table,
                                         int M);
LEXKIT_EXPORT int idngram_update_chain(struct idngram_node *t, const char *key,
                                       wordid_t ind);
LEXKIT_EXPORT void add_to_idngram_hashtable(struct idngram_hash_table *table,
                                            uint64_t position,
                                            const char *vocab_item,
                                            wordid_t ind);
LEXKIT_EXPORT wordid_t index2(struct idngram_hash_table *vocab,
                              const char *word);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_AC_HASH_H */
