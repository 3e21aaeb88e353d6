#!/bin/sh
# Word counting throughput: countlex against `wc -w` on the same corpus, in
# the same run, on (a) English-like text with a small vocabulary and (b) a
# Zipf corpus over 5,000,000 distinct words. Corpora are generated once,
# deterministically, under bench/data/ (about 500 MB each; BENCH_SMALL=1 for
# about 50 MB). Prints the best of BENCH_RUNS runs (default 3) of each.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
data=$root/bench/data
mb=500
[ "${BENCH_SMALL:-0}" = 1 ] && mb=50
runs=${BENCH_RUNS:-3}
. bench/common.sh
build=$bench_build
bench_build_programs countlex

text=$(bench_corpus text "$mb")
zipf=$(bench_corpus zipf "$mb")

exec python3 - "$build/countlex" "$runs" "$text" "$zipf" <<'PY'
import os, subprocess, sys, tempfile, time

countlex, runs, corpora = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
# GNU time reports the peak RSS of the program itself; the rusage of a child
# forked from Python would count the interpreter's pages too.
gnu_time = '/usr/bin/time' if os.access('/usr/bin/time', os.X_OK) else None

def run(cmd, path):
    """Seconds and peak RSS (MiB) of one run, stdin from path, stdout dropped."""
    with open(path, 'rb') as stdin, tempfile.NamedTemporaryFile('r') as rss:
        full = [gnu_time, '-f', '%M', '-o', rss.name] + cmd if gnu_time else cmd
        start = time.perf_counter()
        child = subprocess.Popen(full, stdin=stdin, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        seconds = time.perf_counter() - start
        peak_kib = int(rss.read().split()[-1]) if gnu_time else usage.ru_maxrss
    if status != 0:
        sys.exit('%s failed with status %d' % (cmd[0], status))
    return seconds, peak_kib / 1024.0

def best(cmd, path):
    results = [run(cmd, path) for _ in range(runs)]
    return min(r[0] for r in results), max(r[1] for r in results)

for path in corpora:
    size_mb = os.path.getsize(path) / 2**20
    with open(path, 'rb') as f:  # into the page cache
        while f.read(1 << 24):
            pass
    wc_s, _ = best(['wc', '-w'], path)
    cl_s, cl_rss = best([countlex, '-verbosity', '0'], path)
    print('%s (%.0f MiB)' % (os.path.basename(path), size_mb))
    print('  wc -w     %6.2f s  %7.1f MiB/s' % (wc_s, size_mb / wc_s))
    print('  countlex  %6.2f s  %7.1f MiB/s  peak RSS %6.1f MiB%s'
          % (cl_s, size_mb / cl_s, cl_rss,
             '' if gnu_time else ' (with the launcher)'))
    print('  countlex / wc -w time ratio: %.2f' % (cl_s / wc_s))
PY
