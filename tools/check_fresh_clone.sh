#!/bin/sh
# Runs the README's first command (the main job) in a copy of the files a
# clone holds (this checkout's tracked files, as they are now) on a machine
# without GoogleTest: it must build the programs and run them, without the
# test suite. Exit status 77 (skipped) outside a git checkout.
set -eu
src=$(cd "${1:-$(dirname "$0")/..}" && pwd)
git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1 || { echo "not a git checkout"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$src" && git ls-files -z | xargs -0 cp --parents -t "$work")
cd "$work"

# GoogleTest out of reach, through the cache that the command's configure
# step reads.
mkdir -p build/release
echo "CMAKE_DISABLE_FIND_PACKAGE_GTest:BOOL=ON" > build/release/CMakeCache.txt
main_job=$(sed -n '/^    cmake -S /{s/^    //p;q}' README.md)
[ -n "$main_job" ] || { echo "no main-job command in README.md"; exit 1; }
nice sh -c "$main_job" > out 2> err || { cat out err; exit 1; }
grep -q "GoogleTest not found: the test suite is not built" out || { cat out; exit 1; }
[ ! -e build/release/tests ] || { echo "the test suite was configured"; exit 1; }
for p in countlex picklex gramlex; do
  [ -x "build/release/$p" ] || { echo "build/release/$p was not built"; exit 1; }
done
