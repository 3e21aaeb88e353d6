# Shared by the benchmark scripts (sourced from the repository root):
# a Release build of the programs and cached generated corpora.

bench_data=$(pwd)/bench/data
bench_build=$(pwd)/build/release
mkdir -p "$bench_data"

# bench_build_programs TARGET...: a Release build of the named targets.
bench_build_programs() {
  cmake -S . -B "$bench_build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$bench_build" -j 2 --target "$@" >/dev/null
}

# bench_corpus KIND MEGABYTES: prints the path of a generated corpus
# ("text" or "zipf"), generating it on first use.
bench_corpus() {
  gen=$bench_data/gen_corpus
  if [ ! -x "$gen" ] || [ bench/gen_corpus.cc -nt "$gen" ]; then
    ${CXX:-c++} -O2 -std=c++17 -o "$gen" bench/gen_corpus.cc
  fi
  corpus=$bench_data/$1_$2mb.txt
  if [ ! -s "$corpus" ]; then
    if [ "$1" = text ]; then
      "$gen" text "$2" sample/sample.txt > "$corpus.tmp"
    else
      "$gen" "$1" "$2" > "$corpus.tmp"
    fi
    mv "$corpus.tmp" "$corpus"
  fi
  echo "$corpus"
}
