#!/usr/bin/env bash
# Builds the Debian packages, checks them with lintian, installs them on this
# machine, builds the host against the system copy through pkg-config, runs the
# installed tool, and removes the packages again, also when a step fails.
#   tests/package/run.sh BUILD_DIR   (run as root, or with sudo available)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$src/build-deb}")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
packages=(libgxrmparser1 libgxrmparser-dev gxrm python3-gxrm)

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DGXRM_BUILD_TESTS=OFF -DGXRM_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" >/dev/null
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/*.deb)
printf '%s\n' "${debs[@]##*/}"

# The licence is not chosen yet: its missing copyright file is the one known remark.
lintian --fail-on error --suppress-tags no-copyright-file "${debs[@]}"

remove() {
  local installed
  installed=$( (dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${packages[@]}" 2>/dev/null || true) | awk '/^ii/ {print $2}')
  [ -z "$installed" ] || $sudo apt-get purge -y -qq $installed >/dev/null
}
trap remove EXIT
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${debs[@]}" >/dev/null

version=$(sed -n 's/^project(GXRMparser VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
test "$(dpkg-query -W -f='${Version}' libgxrmparser1)" = "$version"
test "$(pkg-config --modversion GXRMparser)" = "$version"
test "$(gxrm --version | head -n 1)" = "gxrm (GXRMparser $version)"
libdir=$(pkg-config --variable=libdir GXRMparser)
test -f "$libdir/GXRMconfig.ini"
readelf -d "$libdir/libGXRMparser.so" | grep -q "SONAME.*libGXRMparser.so.${version%%.*}\]"
dpkg-deb -c "$build"/gxrm_*.deb | grep -q "usr/share/man/man1/gxrm.1.gz"
test -f /usr/share/bash-completion/completions/gxrm

work=$(mktemp -d)
trap 'remove; rm -rf "$work"' EXIT
g++ -o "$work/host" "$src/tests/consumer/host/host.cpp" $(pkg-config --cflags --libs GXRMparser)
"$work/host" "$work/host.gxrm"
(cd "$work" && gxrm sample && gxrm info building.gxrm >/dev/null)
echo "packages install, build a host and run"
