// Places counts in a count table so that a two-byte entry can stand for
// them. Entry 0 of the table marks a free place. A small count takes its own
// entry when it can; any other count takes the highest free entry. Once
// placed, a count keeps its place.
#include "lexkit/general.h"
#include "lexkit/ngram.h"

extern "C" int lookup_index_of(int *lookup_table, int lookup_table_size,
                               int intval) {
  if (intval > 0 && intval < lookup_table_size) {
    int &own = lookup_table[intval];
    if (own == intval) return intval;
    if (own == 0) {
      own = intval;
      return intval;
    }
  }
  // An equal value is found before a free entry; a count of 0 thus gets the
  // highest free place without taking it.
  for (int i = lookup_table_size - 1; i >= 0; --i) {
    if (lookup_table[i] == intval) return i;
    if (lookup_table[i] == 0) {
      lookup_table[i] = intval;
      return i;
    }
  }
  quit(-1,
       "Error - more than %d entries required in the count table. \n"
       "Cannot store counts in two bytes. Use the -four_byte_counts flag.\n",
       lookup_table_size);
}
