#!/usr/bin/env bash
# Installs the built library into a scratch prefix, then builds and runs the
# host once through find_package and once through pkg-config.
set -euo pipefail
build=$1 work=$2 src=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
test -f "$prefix/lib/GXRMconfig.ini"
test -f "$prefix/include/GXRMparser/GXRMparser.h"

cmake -S "$src/host" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/gxrm_host" "$work/cmake.gxrm"

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
g++ -o "$work/pc_host" "$src/host/host.cpp" $(pkg-config --cflags --libs GXRMparser) -Wl,-rpath,"$prefix/lib"
"$work/pc_host" "$work/pkgconfig.gxrm"
cmp "$work/cmake.gxrm" "$work/pkgconfig.gxrm"
