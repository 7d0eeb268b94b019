#!/usr/bin/env bash
# Installs the built library into a scratch prefix, compiles every installed
# header on its own, then builds and runs the host through find_package and
# pkg-config (asking for C++20), add_subdirectory and FetchContent (from this
# repository's current commit), and imports the installed Python package.
set -euo pipefail
build=$1 work=$2 src=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$src/../.." && pwd)
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

cmake -S "$src/host" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DGXRM_HOST_CXX20=ON >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/gxrm_host" "$work/cmake.gxrm"

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
test "$(pkg-config --cflags-only-I GXRMparser | wc -w)" = 1   # one include directory
if pkg-config --cflags GXRMparser | grep -q -- -std=; then
  echo "pkg-config's Cflags force a C++ standard" >&2
  exit 1
fi
g++ -std=c++20 -DGXRM_HOST_CXX20 -o "$work/pc_host" "$src/host/host.cpp" $(pkg-config --cflags --libs GXRMparser) \
  -Wl,-rpath,"$prefix/lib"
"$work/pc_host" "$work/pkgconfig.gxrm"
cmp "$work/cmake.gxrm" "$work/pkgconfig.gxrm"

# The Python package lands where this interpreter looks for the prefix, or,
# for a prefix like this one, where PYTHONPATH has to point.
if [ -d "$build/python/gxrm" ]; then
  for system in /usr /usr/local; do   # Debian's python3 searches both
    /usr/bin/python3 -c "import sys; assert sys.argv[1] in sys.path, sys.argv[1]" \
      "$system/$(/usr/bin/python3 "$root/cmake/GXRMpythondir.py" $system)"
  done
  site=$prefix/$(/usr/bin/python3 "$root/cmake/GXRMpythondir.py" "$prefix")
  (cd "$work" && PYTHONPATH=$site /usr/bin/python3 -c "import gxrm
assert gxrm.__file__.startswith('$site/'), gxrm.__file__
assert gxrm.load('cmake.gxrm').version == '1.0'")
fi

# As a subproject only the library is built, unless the host asks for more.
# FetchContent takes the repository at its current commit, when there is one.
vias=(add_subdirectory)
commit=$(git -C "$root" rev-parse HEAD 2>/dev/null) && vias+=(FetchContent)
for via in "${vias[@]}"; do
  cmake -S "$src/subproject" -B "$work/$via" -DGXRM_VIA=$via -DGXRM_SOURCE="$root" -DGXRM_COMMIT="$commit" \
    >/dev/null
  cmake --build "$work/$via" -j2 >/dev/null
  if find "$work/$via" -name gxrm -type f -o -name '*_test' -type f | grep -q .; then
    echo "$via built tests or tools" >&2
    exit 1
  fi
  "$work/$via/gxrm_host" "$work/$via.gxrm"
  cmp "$work/cmake.gxrm" "$work/$via.gxrm"
done
