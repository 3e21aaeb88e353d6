#!/bin/sh
# gramlex with a vocabulary of every word of its text (picklex -gt 0), the
# case where the vocabulary's tables outgrow the caches: this tree's build
# against a baseline built from another revision (default main) in the same
# run, on the same corpus, with the same vocabulary. Prints, for each, the
# median CPU time (user + system) and wall time of BENCH_RUNS runs (default
# 5, taken in turn so that the machine's noise falls on both), the time
# ratio, and whether both outputs are byte for byte the same.
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
bench_build_programs countlex picklex gramlex

corpus=${1:-/tmp/lexkit-corpora/natural.txt}
[ -s "$corpus" ] || corpus=$(bench_corpus zipf 40)

# The baseline: the revision's tree exported and built on its own.
base_src=$bench_data/base-$(git rev-parse --short "$base_rev")
if [ ! -x "$base_src/build/gramlex" ]; then
  rm -rf "$base_src"
  mkdir -p "$base_src"
  git archive "$base_rev" | tar -x -C "$base_src"
  cmake -S "$base_src" -B "$base_src/build" -DCMAKE_BUILD_TYPE=Release \
        -DLEXKIT_BUILD_TESTS=OFF >/dev/null
  cmake --build "$base_src/build" -j 2 --target gramlex >/dev/null
fi

vocab=$bench_data/bigvocab.vocab
"$bench_build/countlex" -verbosity 0 < "$corpus" 2>/dev/null |
  "$bench_build/picklex" -gt 0 -verbosity 0 > "$vocab" 2>/dev/null

exec python3 - "$runs" "$corpus" "$vocab" "$bench_data" \
     "$base_rev" "$base_src/build/gramlex" "this tree" "$bench_build/gramlex" <<'PY'
import os, statistics, subprocess, sys, time

runs, corpus, vocab, data = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
programs = [(sys.argv[5], sys.argv[6]), (sys.argv[7], sys.argv[8])]

def run(program, out_path):
    """CPU and wall seconds of one run."""
    with open(corpus, 'rb') as stdin, open(out_path, 'wb') as out:
        start = time.perf_counter()
        child = subprocess.Popen([program, '-vocab', vocab, '-n', '3', '-buffer', '100',
                                  '-verbosity', '0'],
                                 stdin=stdin, stdout=out, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
    if status != 0:
        sys.exit('%s failed with status %d' % (program, status))
    return usage.ru_utime + usage.ru_stime, wall

with open(corpus, 'rb') as f:  # into the page cache
    while f.read(1 << 24):
        pass
times = {name: [] for name, _ in programs}
outputs = {name: os.path.join(data, 'bigvocab.%d.out' % i) for i, (name, _) in enumerate(programs)}
for _ in range(runs):
    for name, program in programs:
        times[name].append(run(program, outputs[name]))

size_mb = os.path.getsize(corpus) / 2**20
words = sum(1 for line in open(vocab, 'rb') if not line.startswith(b'##'))
print('%s (%.0f MiB), vocabulary of %d words, median of %d runs'
      % (os.path.basename(corpus), size_mb, words, runs))
cpu = {}
for name, _ in programs:
    cpu[name] = statistics.median(t[0] for t in times[name])
    wall = statistics.median(t[1] for t in times[name])
    print('  %-10s cpu %6.3f s  wall %6.3f s  %6.1f MiB/s of cpu'
          % (name, cpu[name], wall, size_mb / cpu[name]))
base, new = programs[0][0], programs[1][0]
print('  cpu time ratio this tree / %s: %.3f' % (base, cpu[new] / cpu[base]))
same = open(outputs[base], 'rb').read() == open(outputs[new], 'rb').read()
print('  outputs byte for byte the same: %s' % ('yes' if same else 'NO'))
sys.exit(0 if same else 1)
PY
