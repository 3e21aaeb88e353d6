#!/bin/sh
# gramlex against an independent trigram counter (awk writing id trigrams,
# sort | uniq -c) on the same generated corpus, in the same run: both times,
# their ratio, gramlex's peak memory, and a check that the distinct trigrams
# and their counts agree. Optionally IRSTLM's ngt (BENCH_NGT=1 installs the
# Debian package irstlm).
#
#   bench/gramlex.sh [CORPUS_MB] [BUFFER_MB]
set -eu
cd "$(dirname "$0")/.."
corpus_mb=${1:-50}
buffer_mb=${2:-100}
data=bench/data
build=build/release
mkdir -p "$data"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target lexkit countlex picklex gramlex >/dev/null
g++ -O2 -std=c++17 -Iinclude -Isrc bench/ngram_bench.cc -o "$data/ngram_bench" \
    -L"$build" -llexkit -Wl,-rpath,"$PWD/$build"

corpus=$data/gramlex_corpus_$corpus_mb.txt
[ -f "$corpus" ] || "$data/ngram_bench" gen "$corpus_mb" > "$corpus"
vocab=$data/gramlex_vocab
"$build/countlex" -verbosity 0 < "$corpus" 2>/dev/null |
  "$build/picklex" -top 20000 -verbosity 0 > "$vocab" 2>/dev/null

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

t0=$(now)
/usr/bin/time -f "%M" -o "$data/gramlex.rss" \
  "$build/gramlex" -vocab "$vocab" -n 3 -buffer "$buffer_mb" -write_ascii -verbosity 0 \
  < "$corpus" > "$data/gramlex.out" 2>/dev/null
t1=$(now)
gramlex_s=$(elapsed "$t0" "$t1")

# Independent: ids by vocabulary line order ("##" lines skipped), 0 for any
# other word, windows across line ends.
t0=$(now)
LC_ALL=C awk 'NR == FNR { if (substr($0, 1, 2) != "##" && NF) id[$1] = ++n; next }
              { for (i = 1; i <= NF; i++) { w[++k] = ($i in id) ? id[$i] : 0
                  if (k >= 3) print w[k-2], w[k-1], w[k] } }' "$vocab" "$corpus" |
  LC_ALL=C sort -S 500M | uniq -c | awk '{ print $2, $3, $4, $1 }' > "$data/awk.out"
t1=$(now)
awk_s=$(elapsed "$t0" "$t1")

LC_ALL=C sort -S 500M "$data/gramlex.out" > "$data/gramlex.sorted"
LC_ALL=C sort -S 500M "$data/awk.out" > "$data/awk.sorted"
if cmp -s "$data/gramlex.sorted" "$data/awk.sorted"; then agree=yes; else agree=NO; fi

echo "corpus:                       $corpus_mb MB, $(wc -l < "$data/gramlex.out") distinct trigrams"
echo "gramlex:                      $gramlex_s s, peak RSS $(( $(cat "$data/gramlex.rss") / 1024 )) MiB"
echo "awk | sort | uniq -c:         $awk_s s"
echo "time ratio gramlex / awk:     $(awk -v a="$gramlex_s" -v b="$awk_s" 'BEGIN { printf "%.3f", a / b }')"
echo "trigrams and counts agree:    $agree"
[ "$agree" = yes ]
