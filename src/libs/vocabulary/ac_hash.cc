// The word count table (chains kept in strcmp order, multiplier 64) and the
// vocabulary index table (chains in insertion order, multiplier 256).
#include "lexkit/ac_hash.h"

#include <stdio.h>
#include <string.h>

#include "lexkit/pc_general.h"
#include "libs/base/arena.h"
#include "libs/base/fastmod.h"
#include "libs/base/hash.h"
#include "libs/base/fuzz_hooks.h"

namespace {

// Nodes and word copies of both tables live as long as the process.
lexkit::Arena &NodeArena() {
  static lexkit::Arena arena;
  return arena;
}

}  // namespace

#ifdef LEXKIT_FUZZ_HOOKS
void lexkit::ResetNodeArena() { NodeArena().Reset(); }
#endif

namespace {

template <typename Node>
Node *AllocateNode(const char *key) {
  Node *node = static_cast<Node *>(NodeArena().Allocate(sizeof(Node)));
  node->word = NodeArena().CopyString(key, strlen(key));
  node->next = nullptr;
  return node;
}

// The chain array of a table of M chains (none when M < 1), each pointing
// at its sentinel head, which init() completes. The heads lie side by side
// in chain order and share one copy of "HEAD_NODE" (nothing ever writes
// it): a table touches half the memory of one allocation per head, and a
// pass over the chains reads the heads in order.
template <typename Node, typename Init>
Node **NewChains(int M, Init init) {
  const size_t chains = M > 0 ? static_cast<size_t>(M) : 0;
  const size_t slots = chains ? chains : 1;
  Node **chain = static_cast<Node **>(NodeArena().Allocate(sizeof(Node *) * slots));
  static const char kHead[] = "HEAD_NODE";
  char *head_word = NodeArena().CopyString(kHead, sizeof kHead - 1);
  Node *heads = static_cast<Node *>(NodeArena().Allocate(sizeof(Node) * slots));
  for (size_t i = 0; i < chains; ++i) {
    heads[i].word = head_word;
    heads[i].next = nullptr;
    init(heads[i]);
    chain[i] = &heads[i];
  }
  return chain;
}

// The chain index of `key` among M chains (libs/base/hash.h); the empty
// key is in chain 0 even of a table without chains, any other key there
// has no valid index.
template <uint32_t kMultiplier>
int ChainIndex(const char *key, int M) {
  if (*key == '\0') return 0;
  if (M == 0) return -1;
  return static_cast<int>(lexkit::ChainHash<kMultiplier>(
      key, strlen(key), lexkit::FastMod(static_cast<uint32_t>(M))));
}

}  // namespace

extern "C" int nearest_prime(int num) {
  if (num % 2 == 0) ++num;
  // An odd candidate of 9 or more is composite exactly when it has an odd
  // divisor no larger than its square root (and so no larger than num / 3).
  for (;;) {
    bool composite = false;
    if (num >= 9) {
      for (int64_t d = 3; d * d <= num; d += 2) {
        if (num % d == 0) {
          composite = true;
          break;
        }
      }
    }
    if (!composite) return num;
    num += 2;
  }
}

extern "C" struct node *new_node(const char *key) {
  struct node *n = AllocateNode<struct node>(key);
  n->count = 1;
  return n;
}

extern "C" void new_hashtable(struct hash_table *table, int M) {
  table->size = M;
  table->chain = NewChains<struct node>(M, [](struct node &head) { head.count = 1; });
}

extern "C" int hash(const char *key, int M) { return ChainIndex<64>(key, M); }

extern "C" int update_chain(struct node *t, const char *key) {
  for (;;) {
    struct node *x = t->next;
    if (x == nullptr) {
      t->next = new_node(key);
      return 0;
    }
    int cmp = strcmp(key, x->word);
    if (cmp > 0) {
      t = x;
      continue;
    }
    if (cmp == 0) {
      ++x->count;
      return 1;
    }
    struct node *fresh = new_node(key);
    fresh->next = x;
    t->next = fresh;
    return 0;
  }
}

extern "C" void update(struct hash_table *table, const char *key,
                       int verbosity) {
  int index = hash(key, table->size);
  if (index < 0 || index >= table->size) {
    pc_message(static_cast<unsigned short>(verbosity), 1,
               "WARNING : invalid hash address.\n");
    pc_message(static_cast<unsigned short>(verbosity), 1, "%s ignored\n", key);
    return;
  }
  update_chain(table->chain[index], key);
}

extern "C" void print(FILE *outfp, struct hash_table *table) {
  for (int i = 0; i < table->size; ++i) {
    for (const struct node *x = table->chain[i]->next; x; x = x->next)
      fprintf(outfp, "%s %d\n", x->word, x->count);
  }
}

extern "C" struct idngram_node *idngram_new_node(const char *key,
                                                 wordid_t ind) {
  struct idngram_node *n = AllocateNode<struct idngram_node>(key);
  n->ind = ind;
  return n;
}

extern "C" int idngram_hash(const char *key, int M) {
  return ChainIndex<256>(key, M);
}

extern "C" void new_idngram_hashtable(struct idngram_hash_table *table,
                                      int M) {
  table->size = M;
  table->chain = NewChains<struct idngram_node>(M, [](struct idngram_node &head) {
    head.ind = 0;
  });
}

extern "C" int idngram_update_chain(struct idngram_node *t, const char *key,
                                    wordid_t ind) {
  while (t->next) t = t->next;
  t->next = idngram_new_node(key, ind);
  return 0;
}

extern "C" void add_to_idngram_hashtable(struct idngram_hash_table *table,
                                         uint64_t position,
                                         const char *vocab_item,
                                         wordid_t ind) {
  idngram_update_chain(table->chain[position], vocab_item, ind);
}

extern "C" wordid_t index2(struct idngram_hash_table *vocab,
                           const char *word) {
  int index = idngram_hash(word, vocab->size);
  if (index < 0 || index >= vocab->size) {
    fprintf(stderr, "WARNING : invalid hash address\n");
    fprintf(stderr, "%s ignored\n", word);
    return 0;
  }
  // In a table of new_idngram_hashtable the head of chain i is i heads
  // after that of chain 0. Requesting it now, while its pointer is read
  // from the chain array, overlaps two waits for memory; should the guess
  // be wrong (a table built otherwise), the request only costs a little.
  const uintptr_t first_head = reinterpret_cast<uintptr_t>(vocab->chain[0]);
  __builtin_prefetch(reinterpret_cast<const void *>(
      first_head + static_cast<uintptr_t>(index) * sizeof(struct idngram_node)));
  for (const struct idngram_node *x = vocab->chain[index]->next; x; x = x->next)
    if (strcmp(x->word, word) == 0) return x->ind;
  return 0;
}
