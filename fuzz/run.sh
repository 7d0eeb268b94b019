#!/usr/bin/env bash
# Builds the reader's fuzz target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in BUILD_DIR, replays the seed corpus, then
# fuzzes for SECONDS (default 60). New inputs go to BUILD_DIR/fuzz-corpus;
# findings are written to BUILD_DIR/fuzz-findings and fail the run. The seed
# is fixed (FUZZ_SEED, default 1) so that a run can be repeated.
#
#   fuzz/run.sh build-fuzz 60
set -euo pipefail

build=${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
src=$(cd "$(dirname "$0")/.." && pwd)

cmake -S "$src" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGXRM_BUILD_FUZZ=ON -DGXRM_SANITIZE=address,undefined \
  -DGXRM_BUILD_TESTS=OFF -DGXRM_BUILD_EXAMPLES=OFF -DGXRM_BUILD_TOOLS=OFF -DGXRM_INSTALL=OFF
cmake --build "$build" -j2 --target reader_fuzz

fuzzer="$build/bin/reader_fuzz"
work="$build/fuzz-corpus"
findings="$build/fuzz-findings"
mkdir -p "$work" "$findings"
export TMPDIR="$build"

echo "== replaying the seed corpus"
"$fuzzer" "$src"/fuzz/corpus/*

echo "== fuzzing for $seconds s"
"$fuzzer" -seed="${FUZZ_SEED:-1}" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -dict="$src/fuzz/reader.dict" -artifact_prefix="$findings/" "$work" "$src/fuzz/corpus"
