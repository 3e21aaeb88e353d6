#!/bin/sh
# Soak run over a large generated corpus (2 GB by default): the whole
# pipeline in one go against the same work done in pieces, with peak memory.
#
#   bench/soak.sh [CORPUS_MB] [PIECES]
#
# 1. countlex over the whole corpus against countlex over PIECES slices
#    whose lists are summed: the same words with the same counts.
# 2. picklex on the whole list (the vocabulary of step 3).
# 3. gramlex trigrams with a 100 MB buffer against gramlex with a 4 MB
#    buffer merging 3 files at a time (hundreds of temporary files, staged
#    merges): byte-identical id n-gram files.
# Peak RSS of every step is printed; it must not grow with the corpus.
set -eu
cd "$(dirname "$0")/.."
corpus_mb=${1:-2048}
pieces=${2:-8}
data=bench/data
build=build/release
. bench/common.sh
bench_build_programs countlex picklex gramlex
corpus=$(bench_corpus text "$corpus_mb")
bytes=$(wc -c < "$corpus")
work=$(mktemp -d "$data/soak.XXXXXX")
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
step() {  # name, command...: runs it, prints time and peak RSS
  name=$1; shift
  t0=$(now)
  /usr/bin/time -f %M -o "$work/rss" "$@"
  t1=$(now)
  printf '%-34s %7.1f s %7.1f MB/s %6d MiB\n' "$name" \
    "$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')" \
    "$(awk -v a="$t0" -v b="$t1" -v n="$bytes" 'BEGIN { print n / 1048576 / (b - a) }')" \
    $(( $(cat "$work/rss") / 1024 ))
}

step "countlex, whole corpus" sh -c "'$build/countlex' -verbosity 0 < '$corpus' > '$work/whole.wfreq' 2>/dev/null"
piece_lines=$(( $(wc -l < "$corpus") / pieces + 1 ))
split -l "$piece_lines" "$corpus" "$work/piece."
step "countlex, $pieces pieces" sh -c "for p in '$work'/piece.*; do '$build/countlex' -verbosity 0 < \"\$p\" 2>/dev/null; done > '$work/pieces.wfreq'"
rm -f "$work"/piece.*
LC_ALL=C sort "$work/whole.wfreq" > "$work/a"
LC_ALL=C awk '{ c[$1] += $2 } END { for (w in c) print w, c[w] }' "$work/pieces.wfreq" | LC_ALL=C sort > "$work/b"
cmp -s "$work/a" "$work/b" && counts=agree || counts=DIFFER
echo "word counts, whole vs pieces: $counts ($(wc -l < "$work/a") words)"

step "picklex -top 20000" sh -c "'$build/picklex' -top 20000 -verbosity 0 < '$work/whole.wfreq' > '$work/vocab' 2>/dev/null"
step "gramlex -buffer 100" "$build/gramlex" -vocab "$work/vocab" -verbosity 0 -idngram "$work/big.id3" < "$corpus"
step "gramlex -buffer 4 -files 3" "$build/gramlex" -vocab "$work/vocab" -verbosity 0 -buffer 4 -files 3 -temp "$work" -idngram "$work/small.id3" < "$corpus"
cmp -s "$work/big.id3" "$work/small.id3" && grams=identical || grams=DIFFER
echo "id trigram files, one big buffer vs many small: $grams ($(( $(wc -c < "$work/big.id3") / 16 )) trigrams)"
[ "$counts" = agree ] && [ "$grams" = identical ]
