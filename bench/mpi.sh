#!/bin/sh
# countlex and gramlex (trigrams, -buffer 100) serial against the same
# programs as MPI jobs of 2 ranks (mpirun -np 2) on one corpus, in the same
# run: the best of REPEAT times each, the speed-up, the peak memory of the
# serial program and of the largest rank, and a check that the outputs are
# byte-identical. Needs the MPI build (Open MPI found by cmake).
#
#   bench/mpi.sh [CORPUS] [REPEAT] [RANKS]
#
# The default corpus is big.txt of /work/shared/corpora/make.sh (about
# 500 MB).
set -eu
cd "$(dirname "$0")/.."
corpus=${1:-/tmp/lexkit-corpora/big.txt}
repeat=${2:-3}
ranks=${3:-2}
data=bench/data
build=build/release
mkdir -p "$data"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLEXKIT_MPI=ON >/dev/null
cmake --build "$build" -j2 --target countlex picklex gramlex >/dev/null
launcher="mpirun --oversubscribe"
[ "$(id -u)" = 0 ] && launcher="$launcher --allow-run-as-root"

vocab=$data/mpi_vocab
"$build/countlex" -verbosity 0 -text "$corpus" 2>/dev/null |
  "$build/picklex" -top 20000 -verbosity 0 > "$vocab" 2>/dev/null

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# run LABEL OUTPUT COMMAND...: the best time of the runs in $best and the
# largest peak memory (KB) of one process of the last run in $rss. Each
# process reports its own peak through GNU time, named by its rank.
run() {
  label=$1 out=$2
  shift 2
  best=""
  for i in $(seq "$repeat"); do
    rm -f "$data"/mpi.rss.*
    t0=$(now)
    "$@" > "$out" 2>/dev/null
    t1=$(now)
    t=$(elapsed "$t0" "$t1")
    best=$(awk -v a="$t" -v b="$best" 'BEGIN { print (b == "" || a < b) ? a : b }')
  done
  rss=$(cat "$data"/mpi.rss.* | sort -n | tail -1)
  printf '%-32s %8.2f s %10d KB\n' "$label" "$best" "$rss"
}
timed() { /usr/bin/time -f %M -o "$data/mpi.rss.serial" "$@"; }

echo "corpus: $corpus ($(wc -c < "$corpus") bytes), best of $repeat"
for prog in countlex gramlex; do
  if [ "$prog" = countlex ]; then
    args="-verbosity 0 -text $corpus"
  else
    args="-vocab $vocab -n 3 -buffer 100 -temp $data -verbosity 0 -text $corpus"
  fi
  # shellcheck disable=SC2086
  run "$prog serial" "$data/mpi.serial" timed "$build/$prog" $args
  serial_s=$best serial_rss=$rss
  # shellcheck disable=SC2086
  run "$prog mpirun -np $ranks" "$data/mpi.job" $launcher -np "$ranks" sh -c \
    '/usr/bin/time -f %M -o "$0.$OMPI_COMM_WORLD_RANK" "$@"' "$data/mpi.rss" "$build/$prog" $args
  cmp -s "$data/mpi.serial" "$data/mpi.job" && same=identical || same=DIFFERENT
  awk -v s="$serial_s" -v p="$best" -v a="$serial_rss" -v b="$rss" -v o="$same" -v g="$prog" \
    'BEGIN { printf "%s: %.2fx faster with the job, rank memory %.2f of serial, output %s\n",
             g, s / p, b / a, o }'
done
rm -f "$data"/mpi.rss.* "$data/mpi.serial" "$data/mpi.job"
