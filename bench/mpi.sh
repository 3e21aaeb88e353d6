#!/bin/sh
# countlex and gramlex (trigrams, -buffer 100) serial against the same
# programs as MPI jobs of 2 ranks (mpirun -np 2) on one corpus, in the same
# run: the best of REPEAT wall times each, the least CPU time (user +
# system) of the serial program and of the busiest rank, the speed-up, the
# peak memory of the serial program and of the largest rank, and a check
# that the outputs are byte-identical. gramlex is also run serial on one
# thread (LEXKIT_THREADS=1), since the serial program uses a second core. Needs the MPI build (Open MPI found
# by cmake). Serial and job runs alternate, so that both meet the same load
# of a shared machine, and the corpus is read once before each run, so that
# both read it from the page cache.
#
#   bench/mpi.sh [CORPUS] [REPEAT] [RANKS]
#
# Wall times of a job are unreliable while other work shares the cores, CPU
# times much less so: the script also times a job on an empty text (MPI's
# start-up and finish, less the CPU time they take, which the ranks' CPU
# times include) and estimates a quiet machine's job as the busiest rank's
# CPU time plus that wait.
#
# The launcher's settings come from MPIRUN_ARGS; the default leaves the
# ranks free to move between cores (a shared machine's other load may sit
# on the core a rank is bound to), uses shared memory between the ranks
# without probing for network transports (UCX and libfabric take about
# 0.3 s to start), lets a waiting rank yield its core rather than poll,
# and keeps out what a job on one machine never uses: hwloc's plug-ins for
# GPUs, PCI devices and XML (about 3 MB a rank) and the collective and
# reduction modules beyond the basic ones (about 0.7 MB).
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
one_machine="--bind-to none --mca btl self,vader --mca pml ob1 --mca osc ^ucx --mca mtl ^ofi \
  --mca mpi_yield_when_idle 1 -x HWLOC_PLUGINS_BLACKLIST=hwloc_gl,hwloc_opencl,hwloc_pci,hwloc_xml_libxml \
  --mca coll self,basic,libnbc --mca op ^avx"
launcher="mpirun --oversubscribe ${MPIRUN_ARGS:-$one_machine}"
# The launcher itself starts hwloc too: by default without those plug-ins.
if [ -z "${MPIRUN_ARGS:-}" ]; then
  export HWLOC_PLUGINS_BLACKLIST=hwloc_gl,hwloc_opencl,hwloc_pci,hwloc_xml_libxml
fi
[ "$(id -u)" = 0 ] && launcher="$launcher --allow-run-as-root"

vocab=$data/mpi_vocab
"$build/countlex" -verbosity 0 -text "$corpus" 2>/dev/null |
  "$build/picklex" -top 20000 -verbosity 0 > "$vocab" 2>/dev/null

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# once TEXT OUTPUT COMMAND...: the time of one run in $t, the largest peak
# memory (KB) of one of its processes in $rss, the largest CPU time of one
# of them in $cpu and all of them in $cpus. Each process reports its own
# through GNU time, into a file named by its rank. TEXT is read first.
once() {
  cat "$1" > /dev/null
  out=$2
  shift 2
  rm -f "$data"/mpi.rss.*
  t0=$(now)
  "$@" > "$out" 2>/dev/null
  t1=$(now)
  t=$(elapsed "$t0" "$t1")
  rss=$(cut -d' ' -f1 "$data"/mpi.rss.* | sort -n | tail -1)
  cpus=$(awk '{ printf "%.2f\n", $2 + $3 }' "$data"/mpi.rss.* | sort -n | paste -sd/ -)
  cpu=${cpus##*/}
}
# job TEXT OUTPUT PROGRAM ARGS...: `once` for a job of $ranks ranks.
job() {
  text=$1 out=$2
  shift 2
  # shellcheck disable=SC2086,SC2016
  once "$text" "$out" $launcher -np "$ranks" sh -c \
    '/usr/bin/time -f "%M %U %S" -o "$0.$OMPI_COMM_WORLD_RANK" "$@"' "$data/mpi.rss" "$@"
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a + 0 < b + 0) ? a : b }'; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a + 0 > b + 0) ? a : b }'; }

echo "launcher: $launcher"
echo "corpus: $corpus ($(wc -c < "$corpus") bytes), best of $repeat, serial and job in turn"

# MPI's start-up and finish: a job of countlex on an empty text, whose
# ranks do nothing else. The time they wait, not counted as their CPU
# time, is what a quiet machine adds to the busiest rank's CPU time.
empty=$data/mpi.empty
: > "$empty"
startup="" startup_cpu=""
for i in $(seq "$repeat"); do
  job "$empty" /dev/null "$build/countlex" -verbosity 0 -text "$empty"
  startup=$(min "$t" "$startup") startup_cpu=$(min "$cpu" "$startup_cpu")
done
wait_s=$(awk -v t="$startup" -v c="$startup_cpu" 'BEGIN { printf "%.2f", (t > c ? t - c : 0) }')
echo "MPI start-up and finish: $startup s a job of $ranks ranks on an empty text, $startup_cpu s CPU a rank: $wait_s s of waiting"
for prog in countlex gramlex; do
  if [ "$prog" = countlex ]; then
    args="-verbosity 0 -text $corpus"
  else
    args="-vocab $vocab -n 3 -buffer 100 -temp $data -verbosity 0 -text $corpus"
  fi
  serial_s="" job_s="" serial_rss="" job_rss="" serial_cpu="" job_cpu="" one_s=""
  for i in $(seq "$repeat"); do
    # shellcheck disable=SC2086
    once "$corpus" "$data/mpi.serial" /usr/bin/time -f "%M %U %S" -o "$data/mpi.rss.serial" \
      "$build/$prog" $args
    run="serial $t s CPU $cpu s $rss KB"
    if [ "$prog" = gramlex ]; then
      # Serial gramlex uses a second core; each rank of the job uses one.
      one_run_s=$t one_run_cpu=$cpu one_run_rss=$rss
      # shellcheck disable=SC2086
      once "$corpus" "$data/mpi.serial" env LEXKIT_THREADS=1 /usr/bin/time -f "%M %U %S" \
        -o "$data/mpi.rss.serial" "$build/$prog" $args
      one_s=$(min "$t" "$one_s")
      run="$run, one thread $t s"
      t=$one_run_s cpu=$one_run_cpu rss=$one_run_rss
    fi
    serial_s=$(min "$t" "$serial_s") serial_rss=$(max "$rss" "$serial_rss")
    serial_cpu=$(min "$cpu" "$serial_cpu")
    # shellcheck disable=SC2086
    job "$corpus" "$data/mpi.job" "$build/$prog" $args
    job_s=$(min "$t" "$job_s") job_rss=$(max "$rss" "$job_rss") job_cpu=$(min "$cpu" "$job_cpu")
    echo "  $prog run $i: $run, job $t s CPU $cpus s (ranks) $rss KB (largest)"
  done
  cmp -s "$data/mpi.serial" "$data/mpi.job" && same=identical || same=DIFFERENT
  printf '%-10s serial %6.2f s CPU %6.2f s %7d KB   %d ranks %6.2f s CPU %6.2f s %7d KB a rank\n' \
    "$prog" "$serial_s" "$serial_cpu" "$serial_rss" "$ranks" "$job_s" "$job_cpu" "$job_rss"
  awk -v s="$serial_s" -v p="$job_s" -v a="$serial_rss" -v b="$job_rss" -v o="$same" -v g="$prog" \
    -v sc="$serial_cpu" -v jc="$job_cpu" -v w="$wait_s" \
    'BEGIN { printf "%s: %.2fx faster with the job, rank memory %.2f of serial, output %s\n",
             g, s / p, b / a, o
             printf "%s: CPU %.2fx (serial / busiest rank); quiet machine, estimated: %.2fx (serial CPU / (busiest rank CPU + %.2f s of MPI waiting))\n",
             g, sc / jc, sc / (jc + w), w }'
  if [ -n "$one_s" ]; then
    awk -v s="$one_s" -v p="$job_s" -v g="$prog" \
      'BEGIN { printf "%s: %.2fx faster with the job than the serial program on one thread (LEXKIT_THREADS=1, %.2f s)\n", g, s / p, s }'
  fi
done
rm -f "$data"/mpi.rss.* "$data/mpi.serial" "$data/mpi.job" "$empty"
