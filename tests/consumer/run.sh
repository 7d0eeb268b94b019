#!/usr/bin/env bash
# Installs the built library into a scratch prefix, compiles every installed
# header on its own, then builds and runs the host through find_package,
# pkg-config, add_subdirectory and FetchContent.
set -euo pipefail
build=$1 work=$2 src=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
test -f "$prefix/lib/GXRMconfig.ini"
test -f "$prefix/include/GXRMparser/GXRMparser.h"

# Each public header stands alone with <prefix>/include as the one include directory.
(cd "$prefix/include" && find GXRMparser -name '*.h') | while read -r header; do
  echo "#include <$header>" | g++ -std=c++17 -fsyntax-only -Wall -Wextra -Werror -I"$prefix/include" -x c++ - ||
    { echo "$header does not compile alone" >&2; exit 1; }
done

cmake -S "$src/host" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/gxrm_host" "$work/cmake.gxrm"

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
test "$(pkg-config --cflags-only-I GXRMparser | wc -w)" = 1   # one include directory
g++ -o "$work/pc_host" "$src/host/host.cpp" $(pkg-config --cflags --libs GXRMparser) -Wl,-rpath,"$prefix/lib"
"$work/pc_host" "$work/pkgconfig.gxrm"
cmp "$work/cmake.gxrm" "$work/pkgconfig.gxrm"

# As a subproject only the library is built, unless the host asks for more.
for via in add_subdirectory FetchContent; do
  cmake -S "$src/subproject" -B "$work/$via" -DGXRM_VIA=$via -DGXRM_SOURCE="$src/../.." >/dev/null
  cmake --build "$work/$via" -j2 >/dev/null
  if find "$work/$via" -name gxrm -type f -o -name '*_test' -type f | grep -q .; then
    echo "$via built tests or tools" >&2
    exit 1
  fi
  "$work/$via/gxrm_host" "$work/$via.gxrm"
  cmp "$work/cmake.gxrm" "$work/$via.gxrm"
done
