#!/bin/sh
# Installs the build tree into a scratch prefix and moves it elsewhere, then
# builds a C11 program that includes the umbrella header with exactly the
# flags pkg-config prints for the moved tree, and runs it. Also checks the
# installed files, the soname, that no C++ symbol is exported and that the
# umbrella header includes every public header.
set -eu
build=$1 cc=$2 src=$3 sanitize=${4:-OFF}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/staged" >/dev/null
mkdir "$scratch/opt"
mv "$scratch/staged" "$scratch/opt/lexkit"
prefix=$scratch/opt/lexkit
for f in bin/countlex bin/picklex bin/gramlex bin/buildlex bin/scorelex share/lexkit/python/lexkit.py lib/liblexkit.so.0 lib/liblexkit.so \
         lib/pkgconfig/liblexkit.pc include/lexkit/lexkit.h; do
  [ -e "$prefix/$f" ] || { echo "missing $f"; exit 1; }
done
for h in "$prefix"/include/lexkit/*.h; do
  name=${h##*/}
  [ "$name" = lexkit.h ] || grep -q "^#include \"$name\"" "$prefix/include/lexkit/lexkit.h" ||
    { echo "lexkit.h does not include $name"; exit 1; }
done
soname=$(readelf -d "$prefix/lib/liblexkit.so.0" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
[ "$soname" = "liblexkit.so.0" ] || { echo "SONAME is '$soname'"; exit 1; }
cxx=$(nm -D --defined-only "$prefix/lib/liblexkit.so.0" | awk '$3 ~ /^_Z/ {print $3}')
[ -z "$cxx" ] || { echo "C++ symbols exported: $cxx"; exit 1; }
flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs liblexkit)
case "$flags" in *"$prefix"*) ;; *) echo "pkg-config flags '$flags' miss $prefix"; exit 1 ;; esac
extra=""
case "$sanitize" in ON|1|TRUE|true) extra="-fsanitize=address,undefined" ;; esac
$cc -std=c11 -Wall -Wextra -pedantic -Werror $extra "$src" $flags -o "$scratch/consumer"
LD_LIBRARY_PATH="$prefix/lib" "$scratch/consumer"
# The Python module finds the library installed beside it.
preload=""
[ -n "$extra" ] && preload="$($cc -print-file-name=libasan.so) $($cc -print-file-name=libubsan.so)"
if command -v python3 >/dev/null; then
  LD_PRELOAD="$preload" python3 -c "import sys; sys.path.insert(0, '$prefix/share/lexkit/python')
import lexkit; lexkit._library().lexkit_model_order" || { echo "python module cannot load the library"; exit 1; }
fi
