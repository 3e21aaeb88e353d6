#!/bin/sh
# Installs the build tree into a scratch prefix, then builds and runs a C11
# program that includes every public header and links with -llexkit.
set -eu
build=$1 cc=$2 src=$3 sanitize=${4:-OFF}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
extra=""
case "$sanitize" in ON|1|TRUE|true) extra="-fsanitize=address,undefined" ;; esac
for f in bin/countlex bin/picklex bin/gramlex bin/scorelex share/lexkit/python/lexkit.py lib/liblexkit.so.0 lib/liblexkit.so lib/pkgconfig/liblexkit.pc; do
  [ -e "$prefix/$f" ] || { echo "missing $f"; exit 1; }
done
soname=$(readelf -d "$prefix/lib/liblexkit.so.0" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
[ "$soname" = "liblexkit.so.0" ] || { echo "SONAME is '$soname'"; exit 1; }
cxx=$(nm -D --defined-only "$prefix/lib/liblexkit.so.0" | awk '$3 ~ /^_Z/ {print $3}')
[ -z "$cxx" ] || { echo "C++ symbols exported: $cxx"; exit 1; }
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags liblexkit >/dev/null 2>&1 || true
$cc -std=c11 -Wall -Wextra -pedantic -Werror $extra -I"$prefix/include/lexkit" "$src" \
    -L"$prefix/lib" -llexkit -Wl,-rpath,"$prefix/lib" -o "$prefix/consumer"
"$prefix/consumer"
# The Python module finds the library installed beside it.
preload=""
[ -n "$extra" ] && preload="$($cc -print-file-name=libasan.so) $($cc -print-file-name=libubsan.so)"
if command -v python3 >/dev/null; then
  LD_PRELOAD="$preload" python3 -c "import sys; sys.path.insert(0, '$prefix/share/lexkit/python')
import lexkit; lexkit._library().lexkit_model_order" || { echo "python module cannot load the library"; exit 1; }
fi
