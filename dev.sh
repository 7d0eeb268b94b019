#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds, and runs the main job or every test.
#
#   ./dev.sh main   install what the main job needs, build the gxrm tool and the Python
#                   package, write and inspect a sample building, run the README's
#                   Python snippet on it
#   ./dev.sh test   install what is missing, build, and run every test: the suite,
#                   the suite under AddressSanitizer+UndefinedBehaviorSanitizer, the
#                   thread tests under ThreadSanitizer, the install and consumer test,
#                   the fuzz corpus and a minute of fuzzing, the Debian packages
#                   (installed on this machine and removed again), the API reference
set -euo pipefail
cd "$(dirname "$0")"

# What the library, the tool and the Python package need to build.
MAIN_PACKAGES=(build-essential cmake pkg-config libexpat1-dev libpugixml-dev libcli11-dev
               nlohmann-json3-dev libre2-dev libxlsxwriter-dev libzip-dev python3-dev pybind11-dev)
# What the tests add: test frameworks, sanitizer and fuzzing compiler, the browser
# the report is checked in, packaging, Python packaging and the API reference.
TEST_PACKAGES=(clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev python3-pytest
               python3-openpyxl python3-venv python3-setuptools python3-pip python3-wheel expat chromium
               fonts-noto-cjk doxygen lintian dpkg-dev man-db file)
JOBS=${JOBS:-$(nproc)}

# install_packages PACKAGE...: installs those not installed yet.
install_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# configure DIR [cmake options...]
configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# build DIR [cmake options...]: configure and build everything
build() {
  configure "$@"
  cmake --build "$1" -j"$JOBS"
}

# The README's first Python snippet.
readme_python() {
  awk '/^```python/ {on = 1; next} on && /^```/ {exit} on' README.md
}

main_job() {
  configure build -DGXRM_BUILD_TESTS=OFF
  cmake --build build -j"$JOBS" --target gxrm _gxrm
  cd build
  bin/gxrm sample building.gxrm
  bin/gxrm info building.gxrm
  echo "== The README's Python snippet, in build/"
  PYTHONPATH=python /usr/bin/python3 -c "$(cd .. && readme_python)"
}

test_job() {
  build build -DGXRM_BUILD_TESTS=ON -DGXRM_BUILD_BENCH=ON
  ctest --test-dir build --output-on-failure -j"$JOBS"

  echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
  build build-asan -DGXRM_SANITIZE=address,undefined -DGXRM_BUILD_TOOLS=ON
  # The install and consumer builds test packaging, not memory: the plain build runs them.
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j"$JOBS" -E Consumer

  echo "== ThreadSanitizer"
  # The tool's comparison reads both models on two threads: its tests run here too, but for
  # the one about nesting depth, which takes minutes under this sanitizer and uses one thread.
  build build-tsan -DGXRM_SANITIZE=thread -DGXRM_BUILD_TOOLS=ON -DGXRM_BUILD_EXAMPLES=OFF
  ctest --test-dir build-tsan --output-on-failure -R 'Threads|ParallelLoad|^Diff\.' -E 'Deep'

  if [ -x fuzz/run.sh ]; then
    echo "== Fuzzing"
    fuzz/run.sh build-fuzz "${FUZZ_SECONDS:-60}"
  fi

  echo "== Benchmarks (short run)"
  for b in build/bench/*_bench build/bin/*_bench; do
    [ -x "$b" ] && "$b" --benchmark_min_time=0.01 >/dev/null
  done
  /usr/bin/python3 bench/info_bench.py --gxrm build/bin/gxrm --writer build/bin/large_model_file --runs 1 >/dev/null
  echo "== Debian packages"
  tests/package/run.sh build-deb

  echo "== API reference"
  cmake --build build --target docs
  echo "all tests passed"
}

case "${1:-}" in
  main)
    install_packages "${MAIN_PACKAGES[@]}"
    main_job
    ;;
  test)
    install_packages "${MAIN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    test_job
    ;;
  *) echo "usage: $0 main|test" >&2; exit 2 ;;
esac
