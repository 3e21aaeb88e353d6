#!/bin/sh
# countlex and gramlex (trigrams, -buffer 100) serial against the same
# programs as MPI jobs of 2 ranks (mpirun -np 2) on one corpus, in the same
# run: the best of REPEAT wall times each, the CPU time (user + system) of
# the serial program and of the busiest rank in that run, the speed-up, the
# peak memory of the serial program and of the largest rank, and a check
# that the outputs are byte-identical. Needs the MPI build (Open MPI found
# by cmake). Serial and job runs alternate, so that both meet the same load
# of a shared machine.
#
#   bench/mpi.sh [CORPUS] [REPEAT] [RANKS]
#
# The launcher's settings come from MPIRUN_ARGS; the default leaves the
# ranks free to move between cores (a shared machine's other load may sit
# on the core a rank is bound to), uses shared memory between the ranks
# without probing for network transports (UCX and libfabric take about
# 0.3 s to start) and lets a waiting rank yield its core rather than poll.
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
launcher="mpirun --oversubscribe ${MPIRUN_ARGS:---bind-to none --mca btl self,vader --mca pml ob1 --mca osc ^ucx --mca mtl ^ofi --mca mpi_yield_when_idle 1}"
[ "$(id -u)" = 0 ] && launcher="$launcher --allow-run-as-root"

vocab=$data/mpi_vocab
"$build/countlex" -verbosity 0 -text "$corpus" 2>/dev/null |
  "$build/picklex" -top 20000 -verbosity 0 > "$vocab" 2>/dev/null

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# once OUTPUT COMMAND...: the time of one run in $t, the largest peak
# memory (KB) of one of its processes in $rss and the largest CPU time of
# one of them in $cpu. Each process reports its own through GNU time, into
# a file named by its rank.
once() {
  out=$1
  shift
  rm -f "$data"/mpi.rss.*
  t0=$(now)
  "$@" > "$out" 2>/dev/null
  t1=$(now)
  t=$(elapsed "$t0" "$t1")
  rss=$(cut -d' ' -f1 "$data"/mpi.rss.* | sort -n | tail -1)
  cpu=$(awk '{ print $2 + $3 }' "$data"/mpi.rss.* | sort -n | tail -1)
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a + 0 < b + 0) ? a : b }'; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a + 0 > b + 0) ? a : b }'; }

echo "launcher: $launcher"
echo "corpus: $corpus ($(wc -c < "$corpus") bytes), best of $repeat, serial and job in turn"
for prog in countlex gramlex; do
  if [ "$prog" = countlex ]; then
    args="-verbosity 0 -text $corpus"
  else
    args="-vocab $vocab -n 3 -buffer 100 -temp $data -verbosity 0 -text $corpus"
  fi
  serial_s="" job_s="" serial_rss="" job_rss=""
  for i in $(seq "$repeat"); do
    # shellcheck disable=SC2086
    once "$data/mpi.serial" /usr/bin/time -f "%M %U %S" -o "$data/mpi.rss.serial" \
      "$build/$prog" $args
    [ "$(min "$t" "$serial_s")" = "$t" ] && serial_cpu=$cpu
    run="serial $t s CPU $cpu s"
    serial_s=$(min "$t" "$serial_s") serial_rss=$(max "$rss" "$serial_rss")
    # shellcheck disable=SC2086
    once "$data/mpi.job" $launcher -np "$ranks" sh -c \
      '/usr/bin/time -f "%M %U %S" -o "$0.$OMPI_COMM_WORLD_RANK" "$@"' "$data/mpi.rss" \
      "$build/$prog" $args
    [ "$(min "$t" "$job_s")" = "$t" ] && job_cpu=$cpu
    job_s=$(min "$t" "$job_s") job_rss=$(max "$rss" "$job_rss")
    echo "  $prog run $i: $run, job $t s CPU $cpu s (busiest rank)"
  done
  cmp -s "$data/mpi.serial" "$data/mpi.job" && same=identical || same=DIFFERENT
  printf '%-10s serial %6.2f s CPU %6.2f s %7d KB   %d ranks %6.2f s CPU %6.2f s %7d KB a rank\n' \
    "$prog" "$serial_s" "$serial_cpu" "$serial_rss" "$ranks" "$job_s" "$job_cpu" "$job_rss"
  awk -v s="$serial_s" -v p="$job_s" -v a="$serial_rss" -v b="$job_rss" -v o="$same" -v g="$prog" \
    'BEGIN { printf "%s: %.2fx faster with the job, rank memory %.2f of serial, output %s\n",
             g, s / p, b / a, o }'
done
rm -f "$data"/mpi.rss.* "$data/mpi.serial" "$data/mpi.job"
