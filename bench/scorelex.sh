#!/bin/sh
# Loading and scoring speed of the trigram model of the model builder's
# benchmark (bench/buildlex.sh), built here from the natural-text corpus
# natural.txt (brown.txt + spam.txt of /work/shared/corpora/make.sh) less a
# held-out part, the last tenth of brown.txt's lines:
#
#   countlex | picklex -gt 0 > vocab;  gramlex -n 3 | buildlex -arpa -binary
#
# and measured:
#   - the ARPA and the binary form's load time (wall and CPU) and MB/s, and
#     the memory the load adds (score_bench, through the scoring API); the
#     binary model is mapped, so its memory is measured again after a text
#     was scored (what the text read of it: brown.txt, mostly seen in
#     training, reads most of it); all of it read would be the file and
#     what the load allocates (the word table and the search samples);
#   - scoring throughput through the API (lexkit_model_prob per word) and
#     through scorelex (reading, lookups and the report included, the load
#     too: user + system CPU of the whole run), on the held-out text and on
#     all of brown.txt (1.16M words, mostly seen in training).
# Each figure is the best of BENCH_RUNS (default 3) runs (a run of the API
# benchmark taking the best of 10 passes over its text): the machine is
# shared, so CPU seconds are the steadier measure.
#
#   bench/scorelex.sh            # CORPORA=/tmp/lexkit-corpora by default
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${BENCH_RUNS:-3}
corpora=${CORPORA:-/tmp/lexkit-corpora}
[ -s "$corpora/natural.txt" ] || CORPORA=$corpora bash /work/shared/corpora/make.sh >/dev/null
. bench/common.sh
build=$bench_build
bench_build_programs lexkit countlex picklex gramlex buildlex scorelex
work=$bench_data/scorelex
mkdir -p "$work"
g++ -O2 -std=c++17 -Iinclude bench/score_bench.cc -o "$work/score_bench" \
    -L"$build" -llexkit -Wl,-rpath,"$build"

# Training text (natural.txt less the held-out lines) and held-out text.
lines=$(wc -l < "$corpora/brown.txt")
keep=$((lines - lines / 10))
heldout=$work/heldout.txt
train=$work/train.txt
head -n "$keep" "$corpora/natural.txt" > "$train"
tail -n +"$((lines + 1))" "$corpora/natural.txt" >> "$train"
sed -n "$((keep + 1)),${lines}p" "$corpora/natural.txt" > "$heldout"
brown=$corpora/brown.txt

arpa=$work/model.arpa
binary=$work/model.bin
# Made again when the builder changed or its file is of another format.
if [ ! -s "$arpa" ] || [ ! -s "$binary" ] || [ "$build/buildlex" -nt "$binary" ] ||
   ! "$build/scorelex" -binary "$binary" -text /dev/null -verbosity 0 > /dev/null 2>&1; then
  "$build/countlex" -verbosity 0 < "$train" 2>/dev/null |
    "$build/picklex" -gt 0 -verbosity 0 > "$work/model.vocab"
  "$build/gramlex" -vocab "$work/model.vocab" -n 3 -verbosity 0 < "$train" 2>/dev/null |
    "$build/buildlex" -idngram - -vocab "$work/model.vocab" -n 3 -arpa "$arpa" \
      -binary "$binary" -verbosity 0 2>/dev/null
fi

# best NAME FILE...: the smallest value of NAME over the score_bench outputs
# (the largest for rates).
value() { sed -n "s/^$1 //p" "$2"; }
bench_api() {  # FORM MODEL TEXT TAG
  for r in $(seq "$runs"); do "$work/score_bench" "$1" "$2" "$3" 10 > "$work/$4.$r"; done
}
best_of() {  # NAME TAG min|max
  for r in $(seq "$runs"); do value "$1" "$work/$2.$r"; done |
    sort -g | if [ "$3" = min ]; then head -1; else tail -1; fi
}
bench_api -arpa "$arpa" "$heldout" arpa
bench_api -binary "$binary" "$heldout" bin
bench_api -binary "$binary" "$brown" brown

# scorelex: best user + system CPU and wall time of RUNS runs, largest RSS.
run_scorelex() {  # FORM MODEL TEXT -> "cpu wall rss_kib"
  for r in $(seq "$runs"); do
    /usr/bin/time -f "%U %S %e %M" -o "$work/time" "$build/scorelex" "$1" "$2" -text "$3" \
      -verbosity 0 > /dev/null 2>&1
    awk '{ printf "%.3f %.3f %d\n", $1 + $2, $3, $4 }' "$work/time"
  done | sort -g | head -1
}
words() { wc -w < "$1"; }
mib() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", b / 1048576 }'; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.1f", n / s }'; }

arpa_mib=$(mib "$arpa") bin_mib=$(mib "$binary")
arpa_cpu=$(best_of load_cpu_s arpa min) arpa_wall=$(best_of load_wall_s arpa min)
bin_cpu=$(best_of load_cpu_s bin min) bin_wall=$(best_of load_wall_s bin min)
echo "model: $arpa ($(sed -n 's/^ngram \([0-9]\)=\(.*\)/\2 \1-grams/p' "$arpa" | paste -sd, -))"
echo "held-out text: $(words "$heldout") words; brown.txt: $(words "$brown") words"
echo
echo "| measure | value | target |"
echo "|---|---|---|"
echo "| ARPA file | $arpa_mib MiB | - |"
echo "| binary file | $bin_mib MiB | - |"
echo "| ARPA load, CPU s (wall s) | $arpa_cpu ($arpa_wall) | - |"
echo "| ARPA load, MiB/s of CPU (of wall) | $(rate "$arpa_mib" "$arpa_cpu") ($(rate "$arpa_mib" "$arpa_wall")) | >= 100 |"
echo "| binary load, CPU s (wall s) | $bin_cpu ($bin_wall) | - |"
echo "| binary load speed-up over ARPA, CPU (wall) | $(rate "$arpa_cpu" "$bin_cpu")x ($(rate "$arpa_wall" "$bin_wall")x) | >= 5x |"
echo "| memory added by the ARPA load | $(best_of load_rss_mib arpa min) MiB | - |"
echo "| memory added by the binary load: after loading; after scoring the held-out text; after brown.txt | $(best_of load_rss_mib bin min); $(best_of scored_rss_mib bin min); $(best_of scored_rss_mib brown min) MiB | <= $(awk -v m="$bin_mib" 'BEGIN { printf "%.1f", m * 1.1 }') MiB |"
echo "| API, held-out, binary, words/s of CPU | $(best_of score_words_per_s bin max) | >= 5000000 |"
echo "| API, held-out, ARPA-loaded, words/s of CPU | $(best_of score_words_per_s arpa max) | - |"
echo "| API, brown.txt, binary, words/s of CPU | $(best_of score_words_per_s brown max) | - |"
for text in "$heldout" "$brown"; do
  name=$(basename "$text")
  for form in -binary -arpa; do
    model=$binary
    [ "$form" = -arpa ] && model=$arpa
    set -- $(run_scorelex "$form" "$model" "$text")
    echo "| scorelex $form, $name, load included: CPU s (wall s), peak MiB | $1 ($2), $(($3 / 1024)) | - |"
  done
done
