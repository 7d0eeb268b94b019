#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in BUILD_DIR, replays each target's seed corpus,
# then fuzzes for SECONDS in all (default 60), a quarter each: the reader, the
# DOM's building and saving, the tool's model comparison, and loading the
# strict and the parallel way. New
# inputs go to BUILD_DIR/fuzz-corpus/TARGET; findings are written to
# BUILD_DIR/fuzz-findings and fail the run. The seed is fixed (FUZZ_SEED,
# default 1) so that a run can be repeated.
#
#   fuzz/run.sh build-fuzz 60
set -euo pipefail

build=${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
src=$(cd "$(dirname "$0")/.." && pwd)

cmake -S "$src" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGXRM_BUILD_FUZZ=ON -DGXRM_SANITIZE=address,undefined \
  -DGXRM_BUILD_TESTS=OFF -DGXRM_BUILD_EXAMPLES=OFF -DGXRM_BUILD_TOOLS=OFF -DGXRM_INSTALL=OFF
cmake --build "$build" -j2 --target reader_fuzz dom_fuzz diff_fuzz load_fuzz

findings="$build/fuzz-findings"
mkdir -p "$findings"
export TMPDIR="$build"

# fuzz TARGET SEEDS DICT SECONDS
fuzz() {
  local fuzzer="$build/bin/$1" work="$build/fuzz-corpus/$1"
  mkdir -p "$work"
  echo "== $1: replaying the seed corpus"
  "$fuzzer" "$2"/*
  echo "== $1: fuzzing for $4 s"
  "$fuzzer" -seed="${FUZZ_SEED:-1}" -max_total_time="$4" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -dict="$3" -artifact_prefix="$findings/$1-" "$work" "$2"
}

quarter=$(( seconds / 4 > 0 ? seconds / 4 : 1 ))
fuzz reader_fuzz "$src/fuzz/corpus" "$src/fuzz/reader.dict" $(( seconds - 3 * quarter > 0 ? seconds - 3 * quarter : 1 ))
fuzz dom_fuzz "$src/fuzz/dom-corpus" "$src/fuzz/dom.dict" "$quarter"
fuzz diff_fuzz "$src/fuzz/corpus" "$src/fuzz/reader.dict" "$quarter"
fuzz load_fuzz "$src/fuzz/load-corpus" "$src/fuzz/load.dict" "$quarter"
