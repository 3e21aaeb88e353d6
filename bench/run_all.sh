#!/bin/sh
# Every performance target in one run, each against its baselines measured in
# the same run, printed as one Markdown table:
#
#   1. countlex on English-like text (small vocabulary) against `wc -w` and
#      IRSTLM's dict;
#   2. countlex on a Zipf corpus over 5,000,000 distinct words against
#      `wc -w`, with its peak memory, next to IRSTLM's dict, mawk counting in
#      an array and tr | sort | uniq -c;
#   3. picklex on that corpus's word frequency list against
#      sort -k2,2nr | head | sort;
#   4. gramlex turning the text into id trigrams (20000-word vocabulary,
#      100 MB buffer) against IRSTLM's ngt -n=3, with its peak memory.
#
# Corpora come from bench/gen_corpus.cc into bench/data/ (about 500 MB each;
# BENCH_SMALL=1 makes them about 50 MB for a quick run). IRSTLM (Debian
# package irstlm) and mawk are installed with apt-get when missing; without
# them their rows say n/a. Every command runs BENCH_RUNS times (default 3):
# the table shows the best time and the largest peak RSS of those runs, as
# reported by GNU time (for a pipeline, that of its largest process). Rates
# are MiB of input per second.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
data=$root/bench/data
mb=500
[ "${BENCH_SMALL:-0}" = 1 ] && mb=50
runs=${BENCH_RUNS:-3}
. bench/common.sh
build=$bench_build
bench_build_programs countlex picklex gramlex >/dev/null

# Peers, installed from the distribution when missing.
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo -n "$@"; fi; }
irstlm_bin() {
  for dir in /usr/lib/irstlm/bin /usr/bin; do
    if [ -x "$dir/$1" ]; then echo "$dir/$1"; return; fi
  done
}
if [ -z "$(irstlm_bin ngt)" ] || ! command -v mawk >/dev/null 2>&1; then
  echo "installing irstlm and mawk..." >&2
  as_root apt-get install -y irstlm mawk >/dev/null 2>&1 ||
    echo "apt-get install failed: their rows will say n/a" >&2
fi
[ -x /usr/bin/time ] || as_root apt-get install -y time >/dev/null 2>&1 || {
  echo "GNU time (/usr/bin/time) is needed for peak memory" >&2
  exit 1
}
dict=$(irstlm_bin dict)
ngt=$(irstlm_bin ngt)
mawk=$(command -v mawk || true)

# Corpora, shared with bench/countlex.sh.
text=$(bench_corpus text "$mb")
zipf=$(bench_corpus zipf "$mb")

# picklex's input, and the vocabulary of the trigram run.
wfreq=$data/zipf_${mb}mb.wfreq
vocab=$data/text_${mb}mb.vocab
"$build/countlex" -verbosity 0 < "$zipf" > "$wfreq" 2>/dev/null
"$build/countlex" -verbosity 0 < "$text" 2>/dev/null |
  "$build/picklex" -top 20000 -verbosity 0 > "$vocab" 2>/dev/null

exec python3 - "$build" "$runs" "$text" "$zipf" "$wfreq" "$vocab" \
  "$dict" "$ngt" "$mawk" "$data" <<'PY'
import os, shlex, shutil, subprocess, sys, tempfile, time

build, runs, text, zipf, wfreq, vocab, dict_, ngt, mawk, data = sys.argv[1:]
runs = int(runs)
countlex, picklex, gramlex = (os.path.join(build, p)
                              for p in ('countlex', 'picklex', 'gramlex'))
scratch = tempfile.mkdtemp(prefix='run_all.', dir=data)
q = shlex.quote

def mib(path):
    return os.path.getsize(path) / 2**20

def warm(path):
    with open(path, 'rb') as f:
        while f.read(1 << 24):
            pass

def once(shell):
    """Seconds and peak RSS (MiB) of one run of a shell command."""
    with tempfile.NamedTemporaryFile('r', dir=scratch) as rss:
        start = time.perf_counter()
        status = subprocess.call(['/usr/bin/time', '-f', '%M', '-o', rss.name,
                                  'sh', '-c', shell], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        seconds = time.perf_counter() - start
        peak_kib = int(rss.read().split()[-1])
    if status != 0:
        sys.exit('failed with status %d: %s' % (status, shell))
    return seconds, peak_kib / 1024

class Result:
    def __init__(self, name, shell, input_mib):
        self.name = name
        self.available = shell is not None
        if self.available:
            samples = [once(shell) for _ in range(runs)]
            self.seconds = min(s for s, _ in samples)
            self.peak = max(p for _, p in samples)
            self.rate = input_mib / self.seconds
            print('  %-28s %8.2f s %8.1f MiB/s %8.1f MiB'
                  % (name, self.seconds, self.rate, self.peak), file=sys.stderr)

    def cells(self):
        if not self.available:
            return [self.name, 'n/a', 'n/a', 'n/a']
        return [self.name, '%.2f' % self.seconds, '%.1f' % self.rate,
                '%.0f' % self.peak]

rows = []

def row(work, lexkit, baseline, ratio_text, target_text, passed):
    verdict = '-' if passed is None else ('PASS' if passed else 'FAIL')
    base = baseline.cells() if baseline else ['-', '-', '-', '-']
    rows.append([work] + lexkit.cells()[1:] + base + [ratio_text, target_text,
                                                       verdict])

def time_ratio(work, lexkit, baseline, limit, limit_text):
    if not baseline.available:
        return row(work, lexkit, baseline, 'n/a', limit_text, None)
    ratio = lexkit.seconds / baseline.seconds
    row(work, lexkit, baseline, 'time %.2f' % ratio, limit_text,
        ratio <= limit + 1e-9)

def speedup(work, lexkit, baseline, least, least_text):
    if not baseline.available:
        return row(work, lexkit, baseline, 'n/a', least_text, None)
    ratio = baseline.seconds / lexkit.seconds
    row(work, lexkit, baseline, '%.1fx faster' % ratio, least_text,
        None if least is None else ratio >= least)

def memory(work, lexkit, limit):
    row(work, lexkit, None, '-', 'peak <= %d MiB' % limit, lexkit.peak <= limit)

def irstlm(tool, args):
    return None if not tool else '%s %s' % (q(tool), args)

def vocabulary_size(path):
    with open(path, 'rb') as f:
        return sum(1 for line in f if line.strip() and not line.startswith(b'##'))

# 1. countlex on text.
warm(text)
size = mib(text)
print('text, %.0f MiB:' % size, file=sys.stderr)
cl_text = Result('countlex', '%s -verbosity 0 < %s > /dev/null' % (q(countlex), q(text)), size)
wc_text = Result('wc -w', 'LC_ALL=C wc -w < %s > /dev/null' % q(text), size)
dict_text = Result('IRSTLM dict', irstlm(dict_, '-i=%s -o=/dev/null -f=yes' % q(text)), size)
work = 'countlex, text %.0f MiB' % size
time_ratio(work, cl_text, wc_text, 1.0, 'time <= 1.00')
speedup(work, cl_text, dict_text, 4, '>= 4x faster')

# 2. countlex on the Zipf corpus.
warm(zipf)
size = mib(zipf)
print('zipf, %.0f MiB:' % size, file=sys.stderr)
cl_zipf = Result('countlex', '%s -verbosity 0 < %s > /dev/null' % (q(countlex), q(zipf)), size)
wc_zipf = Result('wc -w', 'LC_ALL=C wc -w < %s > /dev/null' % q(zipf), size)
peers = [
    Result('IRSTLM dict', irstlm(dict_, '-i=%s -o=/dev/null -f=yes' % q(zipf)), size),
    Result('mawk array', None if not mawk else
           "%s '{ for (i = 1; i <= NF; i++) c[$i]++ } END { for (w in c) print w, c[w] }' "
           "< %s > /dev/null" % (q(mawk), q(zipf)), size),
    Result('tr | sort | uniq -c',
           "LC_ALL=C tr -s ' \\n' '\\n' < %s | LC_ALL=C sort -S 1G -T %s | uniq -c > /dev/null"
           % (q(zipf), q(scratch)), size),
]
work = 'countlex, Zipf 5M words %.0f MiB' % size
time_ratio(work, cl_zipf, wc_zipf, 3.0, 'time <= 3.00')
memory(work, cl_zipf, 300)
measured = [p for p in peers if p.available]
fastest = min(measured, key=lambda p: p.seconds) if measured else None
for peer in peers:
    if peer is fastest:
        peer.name += ' (fastest peer)'
    speedup(work, cl_zipf, peer, None, '-')

# 3. picklex on the Zipf corpus's word frequency list.
warm(wfreq)
size = mib(wfreq)
print('word frequency list, %.0f MiB:' % size, file=sys.stderr)
pl = Result('picklex', '%s -records 6000000 -top 20000 -verbosity 0 < %s > /dev/null'
            % (q(picklex), q(wfreq)), size)
sort_pipe = Result('sort | head | sort',
                   'LC_ALL=C sort -k2,2nr %s | head -20000 | LC_ALL=C sort > /dev/null'
                   % q(wfreq), size)
time_ratio('picklex -top 20000, %.0f MiB list' % size, pl, sort_pipe, 1 / 3,
           'time <= 0.33')

# 4. Text to id trigrams.
warm(text)
size = mib(text)
print('trigrams, %.0f MiB:' % size, file=sys.stderr)
ids = os.path.join(scratch, 'out')
gl = Result('gramlex', '%s -vocab %s -n 3 -buffer 100 -temp %s -verbosity 0 < %s > %s'
            % (q(gramlex), q(vocab), q(scratch), q(text), q(ids)), size)
ngt_run = Result('IRSTLM ngt -n=3', irstlm(ngt, '-i=%s -n=3 -b=yes -o=%s' % (q(text), q(ids))),
                 size)
work = 'gramlex -n 3, %d-word vocabulary, text %.0f MiB' % (vocabulary_size(vocab), size)
speedup(work, gl, ngt_run, 5, '>= 5x faster')
memory(work, gl, 100 + 64)

shutil.rmtree(scratch)

header = ['work', 'lexkit s', 'MiB/s', 'peak MiB', 'baseline', 's', 'MiB/s',
          'peak MiB', 'ratio', 'target', 'result']
print('| ' + ' | '.join(header) + ' |')
print('|' + '|'.join('---' for _ in header) + '|')
for r in rows:
    print('| ' + ' | '.join(cell.replace('|', '\\|') for cell in r) + ' |')
print('\nbest of %d runs each' % runs)
PY
