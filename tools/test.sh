#!/bin/sh
# Builds the toolkit twice, as a Release build and with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite on each (which
# needs GoogleTest: without it the configure step fails). Where Open MPI is
# installed, both builds include the MPI jobs and their tests.
set -eu
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
mpi=OFF
command -v mpirun >/dev/null 2>&1 && mpi=ON
for kind in release asan; do
  dir=build/$kind
  if [ "$kind" = asan ]; then
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DLEXKIT_SANITIZE=ON -DLEXKIT_BUILD_TESTS=ON -DLEXKIT_MPI=$mpi >/dev/null
  else
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DLEXKIT_BUILD_TESTS=ON -DLEXKIT_MPI=$mpi >/dev/null
  fi
  cmake --build "$dir" -j "$jobs"
  echo "== tests: $kind build"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
done
