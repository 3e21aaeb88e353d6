#!/bin/sh
# Fails when a file of a lower layer includes a header of a higher one.
# Layers from the bottom: base, io, vocabulary, counting, ngrams (src/libs),
# the estimator (src/liblmest), the MPI jobs (src/mpi), the programs
# (src/programs). A public header of include/lexkit belongs to the layer
# that implements it.
set -eu
cd "$(dirname "$0")/.."
rank() {
  case "$1" in
    lexkit/general.h|lexkit/pc_general.h|libs/base/*|src/libs/base/*) echo 1 ;;
    lexkit/cleanup.h|libs/io/*|src/libs/io/*) echo 2 ;;
    lexkit/sih.h|lexkit/ac_hash.h|lexkit/ac_parsetext.h|libs/vocabulary/*|src/libs/vocabulary/*) echo 3 ;;
    libs/counting/*|src/libs/counting/*) echo 4 ;;
    lexkit/ac_lmfunc_impl.h|libs/ngrams/*|src/libs/ngrams/*) echo 5 ;;
    lexkit/toolkit.h|lexkit/ngram.h|lexkit/stats.h|lexkit/buildlex.h|lexkit/model.h|lexkit/scoring.h|liblmest/*|src/liblmest/*) echo 6 ;;
    lexkit/*|include/lexkit/*) echo 7 ;;
    mpi/*|src/mpi/*) echo 8 ;;
    src/programs/*) echo 9 ;;
    *) echo 0 ;;
  esac
}
bad=0
for f in $(find src include -name '*.h' -o -name '*.cc' | sort); do
  case "$f" in include/lexkit/*) continue ;; esac
  own=$(rank "$f")
  for inc in $(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$f"); do
    if [ "$(rank "$inc")" -gt "$own" ]; then
      echo "$f (layer $own) includes $inc (layer $(rank "$inc"))"
      bad=1
    fi
  done
done
exit $bad
