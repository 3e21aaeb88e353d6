#!/bin/sh
# Times picklex against the shell pipeline that picks the same kind of top-N
# vocabulary (sort by count, head, sort by word) on generated word frequency
# lists of 3,000,000 and 5,000,000 lines. Each command runs RUNS times (3 by
# default); the best time of each is reported with the ratio
# picklex / pipeline.
#
# Usage: bench/picklex.sh [build-dir]   (default build/release, built if absent)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/release}
runs=${RUNS:-3}
if [ ! -x "$build/picklex" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target picklex >/dev/null
fi
mkdir -p bench/data

# A list of $1 lines: words of 3 to 12 lower-case letters with Zipf-like
# counts (10,000,000 / r for a uniform r), in no particular order. A
# Park-Miller generator keeps the data identical on every machine and awk.
generate() {
  awk -v n="$1" 'BEGIN {
    x = 20261208
    for (i = 0; i < n; i++) {
      x = (x * 16807) % 2147483647; len = 3 + x % 10
      w = ""
      for (j = 0; j < len; j++) {
        x = (x * 16807) % 2147483647
        w = w sprintf("%c", 97 + x % 26)
      }
      x = (x * 16807) % 2147483647
      print w, int(10000000 / (1 + x % n))
    }
  }'
}

# Seconds taken by the shell command $1, best of $runs.
best_time() {
  best=""
  i=0
  while [ "$i" -lt "$runs" ]; do
    start=$(date +%s%N)
    sh -c "$1"
    end=$(date +%s%N)
    t=$((end - start))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
    i=$((i + 1))
  done
  awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

picklex=$(cd "$build" && pwd)/picklex
for lines in 3000000 5000000; do
  list=bench/data/wfreq_$lines.txt
  [ -s "$list" ] || generate "$lines" > "$list"
  p=$(best_time "'$picklex' -top 20000 -records 6000000 -verbosity 0 < $list > /dev/null 2>&1")
  s=$(best_time "LC_ALL=C sort -k2,2nr $list | head -20000 | LC_ALL=C sort > /dev/null")
  awk -v l="$lines" -v p="$p" -v s="$s" 'BEGIN {
    printf "%d lines: picklex %ss, sort pipeline %ss, ratio %.3f\n", l, p, s, p / s
  }'
done
