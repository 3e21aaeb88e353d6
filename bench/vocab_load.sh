#!/bin/sh
# Vocabulary loading: read_voc of a word list and of a saved table against
# the classic line-at-a-time reader, on a generated 1,000,000-word list.
# Usage: bench/vocab_load.sh [build-dir]   (a Release build; default build/release)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/release}
mkdir -p bench/data
list=bench/data/vocab_1m.vocab
if [ ! -f "$list" ]; then
  awk 'BEGIN { print "## generated vocabulary"; s = 12345;
               for (i = 0; i < 1000000; i++) { s = (s * 1103515245 + 12345) % 2147483648;
                 printf "w%x_%d\n", s, i } }' > "$list"
fi
driver=bench/data/vocab_load_driver
c++ -O2 -std=c++17 -Iinclude -Isrc bench/vocab_load_driver.cc \
    -L"$build" -llexkit -Wl,-rpath,"$PWD/$build" -o "$driver"
# A saved table of the same words, written by the toolkit itself.
saved=bench/data/vocab_1m.vocab_ht
cat > bench/data/save.c <<'CEOF'
#include "sih.h"
#include "ac_parsetext.h"
int main(int argc, char **argv) {
  sih_t *ht = sih_create(0, 0, 0, 0);
  vocab_sz_t n;
  read_voc(argv[1], 0, ht, 0, &n);
  FILE *fp = ox_oopen(argv[2]);
  sih_val_write_to_file(ht, fp, argv[2], 0);
  ox_oclose(fp);
  return 0;
}
CEOF
cc -O2 -Iinclude/lexkit bench/data/save.c -L"$build" -llexkit -Wl,-rpath,"$PWD/$build" \
   -o bench/data/save
bench/data/save "$list" "$saved" >/dev/null
rounds=${ROUNDS:-5}
base=$("$driver" baseline "$list" "$rounds" 2>&1)
words=$("$driver" lexkit "$list" "$rounds" 2>&1)
table=$("$driver" lexkit "$saved" "$rounds" 2>&1)
echo "seconds per load of 1,000,000 words (mean of $rounds):"
echo "  baseline fgets+sscanf+unordered_map: $base"
awk -v b="$base" -v t="$words" 'BEGIN { printf "  read_voc word list:  %s  (%.2fx the baseline time)\n", t, t / b }'
awk -v b="$base" -v t="$table" 'BEGIN { printf "  read_voc saved table: %s  (%.2fx the baseline time)\n", t, t / b }'
