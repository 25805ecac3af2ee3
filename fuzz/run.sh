#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer + ASan + UBSan) and runs each for a bounded time.
#   fuzz/run.sh [SECONDS_PER_TARGET]   (default 60; CI uses a short smoke run)
# New inputs found go to build-fuzz/corpus-work/<target>; the committed seed corpus in
# fuzz/corpus/<target> stays small. A crash leaves its input in build-fuzz/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
./scripts/setup.sh --fuzz
build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZANTO_FUZZ=ON -DZANTO_BUILD_TESTS=OFF -DZANTO_BUILD_GUI=OFF
fi
cmake --build "$build" --target fuzz_targets --parallel "$(nproc)"
status=0
for bin in "$build"/fuzz-bin/*_fuzz; do
  name=$(basename "$bin" _fuzz)
  work="$build/corpus-work/$name"
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  [ "$name" = probe ] && [ -d build/fixtures ] && seeds+=(build/fixtures)
  echo "== $name: ${seconds}s"
  if ! (cd "$build" && "../$bin" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=30 \
        -print_final_stats=1 "../$work" "${seeds[@]/#/../}" 2>&1 | tail -n 12); then
    status=1
  fi
done
exit $status
