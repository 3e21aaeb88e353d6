#!/bin/sh
# Times the id n-gram reader and the table sizing pass on a generated sorted
# trigram file (binary and ASCII) against the plain per-field reader, in the
# same run. Usage: bench/idngram_read.sh [number of trigrams, default 5000000]
set -eu
cd "$(dirname "$0")/.."
records=${1:-5000000}
build=build/release
data=bench/data
mkdir -p "$data"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target lexkit >/dev/null
c++ -std=c++17 -O2 -Iinclude -Isrc bench/idngram_read_bench.cc \
    -L"$build" -llexkit -Wl,-rpath,"$PWD/$build" -o "$data/idngram_read_bench"

bin=$data/trigrams.$records.bin txt=$data/trigrams.$records.txt
if [ ! -s "$bin" ] || [ ! -s "$txt" ]; then
  # Sorted trigrams with Zipf-like small ids and counts, as a merge writes.
  python3 - "$records" "$bin" "$txt" <<'PY'
import random, struct, sys
n, bin_path, txt_path = int(sys.argv[1]), sys.argv[2], sys.argv[3]
random.seed(7)
grams, a, b, c = [], 1, 1, 0
for _ in range(n):
    step = random.random()
    if step < 0.05: a, b, c = a + 1, 1, 1
    elif step < 0.4: b, c = b + random.randint(1, 3), 1
    else: c += random.randint(1, 50)
    grams.append((a, b, c, max(1, int(random.paretovariate(1.2)))))
with open(bin_path, "wb") as f:
    f.write(b"".join(struct.pack(">4i", *g) for g in grams))
with open(txt_path, "w") as f:
    f.write("".join("%d %d %d %d\n" % g for g in grams))
PY
fi
"$data/idngram_read_bench" "$bin" "$txt" 3
