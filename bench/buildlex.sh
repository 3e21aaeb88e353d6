#!/bin/sh
# Text -> ARPA trigram model through the whole pipeline (countlex | picklex
# -gt 0, gramlex -n 3, buildlex) on the natural-text corpus natural.txt of
# /work/shared/corpora/make.sh, and buildlex alone: time and peak memory of
# each step (best of RUNS, default 3), against the targets of KenLM's lmplz
# on the same corpus (3.6 s at 625 MiB at its best memory setting): the
# pipeline at least twice as fast at a quarter of the memory, buildlex at
# most 64 MiB plus 16 bytes per stored n-gram. buildlex uses every core the
# process may run on; its one-thread time is shown beside (LEXKIT_THREADS=1).
#
#   bench/buildlex.sh [CORPUS]      (default $CORPORA/natural.txt, CORPORA
#                                    defaulting to /tmp/lexkit-corpora)
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
corpora=${CORPORA:-/tmp/lexkit-corpora}
corpus=${1:-$corpora/natural.txt}
if [ ! -s "$corpus" ]; then
  CORPORA=$corpora bash /work/shared/corpora/make.sh >/dev/null
fi
runs=${RUNS:-3}
bench_build_programs countlex picklex gramlex buildlex
b=$bench_build
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# best_of NAME COMMAND...: runs the command RUNS times; leaves the best
# time in $NAME.s and its largest peak RSS in $NAME.kb.
best_of() {
  name=$1; shift
  best="" peak=0
  i=0
  while [ $i -lt "$runs" ]; do
    /usr/bin/time -f "%e %M" -o "$work/t" sh -c "$*" 2>/dev/null >/dev/null
    read -r s kb < "$work/t"
    if [ -z "$best" ] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$s; fi
    [ "$kb" -gt "$peak" ] && peak=$kb
    i=$((i + 1))
  done
  echo "$best" > "$work/$name.s"
  echo "$peak" > "$work/$name.kb"
}

best_of vocab "'$b/countlex' -verbosity 0 < '$corpus' | '$b/picklex' -gt 0 -verbosity 0 > '$work/v'"
best_of countlex "'$b/countlex' -verbosity 0 < '$corpus' > '$work/wfreq'"
best_of picklex "'$b/picklex' -gt 0 -verbosity 0 < '$work/wfreq' > '$work/v'"
best_of gramlex "'$b/gramlex' -vocab '$work/v' -n 3 -verbosity 0 -idngram '$work/id3' < '$corpus'"
best_of buildlex "'$b/buildlex' -idngram '$work/id3' -vocab '$work/v' -n 3 -arpa '$work/lm.arpa' -verbosity 0"
# buildlex on one core, for a machine whose other cores are busy.
best_of buildlex1 "LEXKIT_THREADS=1 '$b/buildlex' -idngram '$work/id3' -vocab '$work/v' -n 3 -arpa '$work/lm.arpa' -verbosity 0"

stored=$(awk -F= '/^ngram /{ s += $2 } /^\\1-grams:/{ exit } END { print s }' "$work/lm.arpa")
words=$(grep -vc '^##' "$work/v")
get() { cat "$work/$1.$2"; }
total=$(awk -v a="$(get vocab s)" -v b="$(get gramlex s)" -v c="$(get buildlex s)" 'BEGIN { printf "%.2f", a + b + c }')
peak_kb=$(for s in countlex picklex gramlex buildlex; do get $s kb; done | sort -n | tail -1)
mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }
limit_kb=$(awk -v n="$stored" 'BEGIN { printf "%.0f", 64 * 1024 + 16 * n / 1024 }')

echo "cores: $(nproc)"
echo "corpus: $corpus ($(wc -c < "$corpus") bytes), vocabulary $words words, $stored stored n-grams, ARPA $(wc -c < "$work/lm.arpa") bytes"
printf "%-26s %8s %9s\n" step seconds "peak MiB"
for s in countlex picklex gramlex buildlex; do
  printf "%-26s %8s %9s\n" "$s" "$(get $s s)" "$(mib "$(get $s kb)")"
done
printf "%-26s %8s %9s\n" "buildlex, one thread" "$(get buildlex1 s)" "$(mib "$(get buildlex1 kb)")"
printf "%-26s %8s %9s\n" "text -> ARPA (pipeline)" "$total" "$(mib "$peak_kb")"
verdict() { if [ "$1" = 1 ]; then echo PASS; else echo FAIL; fi; }
echo "pipeline time $total s, target <= 1.80 s (3.6 s / 2): $(verdict "$(awk -v t="$total" 'BEGIN { print (t <= 1.8) }')")"
echo "pipeline peak $(mib "$peak_kb") MiB, target <= 156 MiB (625 / 4): $(verdict "$(awk -v p="$peak_kb" 'BEGIN { print (p <= 156 * 1024) }')")"
echo "buildlex peak $(mib "$(get buildlex kb)") MiB, target <= $(mib "$limit_kb") MiB (64 MiB + 16 B x $stored): $(verdict "$(awk -v p="$(get buildlex kb)" -v l="$limit_kb" 'BEGIN { print (p <= l) }')")"
