#!/bin/sh
# Text -> id trigrams: throughput and peak memory of read_vocab,
# read_txt2ngram_buffer and merge_idngramfiles on a generated corpus, next to
# baselines measured in the same run (wc -w over the corpus, and awk | sort |
# uniq -c counting trigrams over a slice).
#
#   bench/ngrams.sh [CORPUS_MB] [BUFFER_MB] [SLICE_MB]
#
# Defaults: a 300 MB corpus (and its first half, to show that peak memory
# does not grow with the corpus), a 100 MB buffer, a 20 MB slice for awk.
set -eu
cd "$(dirname "$0")/.."
corpus_mb=${1:-300}
buffer_mb=${2:-100}
slice_mb=${3:-20}
data=bench/data
build=build/release
mkdir -p "$data"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target lexkit >/dev/null
g++ -O2 -std=c++17 -Iinclude -Isrc bench/ngram_bench.cc -o "$data/ngram_bench" \
    -L"$build" -llexkit -Wl,-rpath,"$PWD/$build"

corpus=$data/corpus_$corpus_mb.txt
if [ ! -f "$corpus" ]; then
  echo "generating a $corpus_mb MB corpus..."
  "$data/ngram_bench" gen "$corpus_mb" > "$corpus"
fi
half=$data/corpus_half.txt
head -c $((corpus_mb * 1048576 / 2)) "$corpus" > "$half"
slice=$data/corpus_slice.txt
head -c $((slice_mb * 1048576)) "$corpus" > "$slice"

# The 20000 most frequent words (of the first 64 MB), in strcmp order.
vocab=$data/vocab_20k
head -c 67108864 "$corpus" |
  LC_ALL=C awk '{ for (i = 1; i <= NF; i++) c[$i]++ }
                END { for (w in c) print c[w], w }' |
  LC_ALL=C sort -k1,1nr -k2,2 | head -n 20000 | awk '{ print $2 }' | LC_ALL=C sort > "$vocab"
echo "vocabulary: $(wc -l < "$vocab") words"

now() { date +%s.%N; }
mb_per_s() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.1f", b / 1048576 / s }'; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { print b - a }'; }
size_of() { wc -c < "$1" | tr -d ' '; }

# Baselines.
t0=$(now); LC_ALL=C wc -w "$corpus" >/dev/null; t1=$(now)
wc_rate=$(mb_per_s "$(size_of "$corpus")" "$(elapsed "$t0" "$t1")")
t0=$(now)
LC_ALL=C awk '{ for (i = 1; i <= NF; i++) { w[++k] = $i; if (k >= 3) print w[k-2], w[k-1], w[k] } }' "$slice" |
  LC_ALL=C sort -S 200M | uniq -c > "$data/awk_trigrams"
t1=$(now)
awk_rate=$(mb_per_s "$(size_of "$slice")" "$(elapsed "$t0" "$t1")")

run() {  # corpus -> "MB/s peak-RSS-MB"
  tmp=$(mktemp -d "$data/tmp.XXXXXX")
  line=$("$data/ngram_bench" run "$vocab" "$1" "$tmp" "$data/out.idngram" "$buffer_mb")
  rmdir "$tmp"
  echo "  $line" >&2
  total=$(echo "$line" | sed 's/.*total_s=\([0-9.]*\).*/\1/')
  rss=$(echo "$line" | sed 's/.*peak_rss_mb=\([0-9.]*\).*/\1/')
  echo "$(mb_per_s "$(size_of "$1")" "$total") $rss"
}
echo "lexkit on $((corpus_mb / 2)) MB:"
set -- $(run "$half")
half_rate=$1 half_rss=$2
echo "lexkit on $corpus_mb MB:"
set -- $(run "$corpus")
full_rate=$1 full_rss=$2

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo
echo "baseline wc -w:                 $wc_rate MB/s"
echo "baseline awk|sort|uniq -c:      $awk_rate MB/s ($slice_mb MB slice)"
echo "lexkit trigrams, $((corpus_mb / 2)) MB:  $half_rate MB/s, peak RSS $half_rss MB"
echo "lexkit trigrams, $corpus_mb MB:  $full_rate MB/s, peak RSS $full_rss MB"
echo "lexkit / awk|sort|uniq -c:      $(ratio "$full_rate" "$awk_rate")x"
echo "lexkit / wc -w:                 $(ratio "$full_rate" "$wc_rate")x"
echo "peak RSS, doubled corpus:       $(ratio "$full_rss" "$half_rss")x"
