#!/bin/sh
# The text -> id n-gram half of the model pipeline with a vocabulary of
# every word of its text (picklex -gt 0), the case where the vocabulary's
# tables outgrow the caches: countlex, picklex and gramlex of this tree
# against a baseline built from another revision (default main) in the
# same run, on the same corpus. Each program runs BENCH_RUNS times (default
# 5), the baseline and this tree in turn, so that the machine's noise falls
# on both; every build runs the whole chain on its own outputs.
#
# Prints, for each program and for the three together, the best wall time,
# the median CPU time (user + system, every thread) and the peak memory,
# the ratios of this tree to the baseline, and whether the outputs (word
# frequency list, vocabulary, id n-grams, gramlex's messages) are byte for
# byte the same; it fails if one is not.
#
#   bench/gramlex_bigvocab.sh [CORPUS [BASE_REV]]
#
# CORPUS defaults to /tmp/lexkit-corpora/natural.txt (39 MB of natural
# text with 360,600 distinct words); without it, a 40 MB generated Zipf
# corpus from bench/gen_corpus.cc. Trigrams, 100 MB buffer, binary output.
set -eu
cd "$(dirname "$0")/.."
runs=${BENCH_RUNS:-5}
base_rev=${2:-main}
. bench/common.sh
programs="countlex picklex gramlex"
bench_build_programs $programs

corpus=${1:-/tmp/lexkit-corpora/natural.txt}
[ -s "$corpus" ] || corpus=$(bench_corpus zipf 40)

# The baseline: the revision's tree exported and built on its own.
base_src=$bench_data/base-$(git rev-parse --short "$base_rev")
if [ ! -x "$base_src/build/gramlex" ] || [ ! -x "$base_src/build/picklex" ]; then
  rm -rf "$base_src"
  mkdir -p "$base_src"
  git archive "$base_rev" | tar -x -C "$base_src"
  cmake -S "$base_src" -B "$base_src/build" -DCMAKE_BUILD_TYPE=Release \
        -DLEXKIT_BUILD_TESTS=OFF >/dev/null
  cmake --build "$base_src/build" -j 2 --target $programs >/dev/null
fi

exec python3 - "$runs" "$corpus" "$bench_data" \
     "$base_rev" "$base_src/build" "this tree" "$bench_build" <<'PY'
import os, statistics, subprocess, sys, time

runs, corpus, data = int(sys.argv[1]), sys.argv[2], sys.argv[3]
builds = [(sys.argv[4], sys.argv[5]), (sys.argv[6], sys.argv[7])]

def out(i, what):
    return os.path.join(data, 'bigvocab.%d.%s' % (i, what))

# Each step: its arguments, standard input and standard output, for build i.
steps = [
    ('countlex', lambda i: (['-verbosity', '0'], corpus, out(i, 'wfreq'))),
    ('picklex', lambda i: (['-gt', '0', '-verbosity', '0'], out(i, 'wfreq'), out(i, 'vocab'))),
    ('gramlex', lambda i: (['-vocab', out(i, 'vocab'), '-n', '3', '-buffer', '100',
                            '-verbosity', '0', '-idngram', out(i, 'idngram')],
                           corpus, os.devnull)),
]

def run(build, step, i):
    """Wall and CPU seconds and peak MiB of one run; keeps its messages."""
    args, stdin_path, stdout_path = dict(steps)[step](i)
    with open(stdin_path, 'rb') as stdin, open(stdout_path, 'wb') as stdout, \
         open(out(i, step + '.err'), 'wb') as stderr:
        start = time.perf_counter()
        child = subprocess.Popen([os.path.join(build, step)] + args,
                                 stdin=stdin, stdout=stdout, stderr=stderr)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
    if status != 0:
        sys.exit('%s/%s failed with status %d' % (build, step, status))
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024

with open(corpus, 'rb') as f:  # into the page cache
    while f.read(1 << 20):
        pass
times = {(i, s): [] for i in range(2) for s, _ in steps}
for _ in range(runs):
    for step, _ in steps:
        for i, (_, build) in enumerate(builds):
            times[(i, step)].append(run(build, step, i))

size_mb = os.path.getsize(corpus) / 2**20
words = sum(1 for line in open(out(0, 'vocab'), 'rb') if not line.startswith(b'##'))
print('%s (%.0f MiB), vocabulary of %d words, %d runs each'
      % (os.path.basename(corpus), size_mb, words, runs))
print('  %-9s %-10s %9s %9s %9s' % ('', '', 'best wall', 'med cpu', 'peak MiB'))
total = {0: [0.0, 0.0], 1: [0.0, 0.0]}
for step, _ in steps:
    for i, (name, _) in enumerate(builds):
        t = times[(i, step)]
        wall, cpu = min(x[0] for x in t), statistics.median(x[1] for x in t)
        total[i][0] += wall
        total[i][1] += cpu
        print('  %-9s %-10s %9.3f %9.3f %9.0f' % (step, name, wall, cpu, max(x[2] for x in t)))
for i, (name, _) in enumerate(builds):
    print('  %-9s %-10s %9.3f %9.3f' % ('all three', name, total[i][0], total[i][1]))
print('  ratio this tree / %s: wall %.3f, cpu %.3f'
      % (builds[0][0], total[1][0] / total[0][0], total[1][1] / total[0][1]))
same = all(open(out(0, w), 'rb').read() == open(out(1, w), 'rb').read()
           for w in ('wfreq', 'vocab', 'idngram', 'gramlex.err'))
print('  outputs byte for byte the same: %s' % ('yes' if same else 'NO'))
sys.exit(0 if same else 1)
PY
