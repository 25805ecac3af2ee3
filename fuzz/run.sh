#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer + ASan + UBSan) and runs each for a bounded time.
#   fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]   (default 60 s, every target; CI: a short smoke run)
# New inputs found go to build-fuzz/corpus-work/<target>; the committed seed corpus in
# fuzz/corpus/<target> stays small. A crash leaves its input in build-fuzz/ and fails the run.
# The probe target is also seeded with the generated media fixtures of a test build, when present.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
./scripts/setup.sh --fuzz
build=build-fuzz
# Configured every time: a target added under fuzz/ since the last run is picked up.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZANTO_FUZZ=ON -DZANTO_BUILD_TESTS=OFF -DZANTO_BUILD_GUI=OFF >/dev/null
cmake --build "$build" --target fuzz_targets --parallel 2
# Undefined behaviour ends the run like a crash does; leaks are findings too.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
fixtures=""
for dir in build/fixtures build-*/fixtures; do
  [ -f "$dir/clip.mp4" ] && { fixtures=$dir; break; }
done
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for bin in "$build"/fuzz-bin/*_fuzz; do targets+=("$(basename "$bin" _fuzz)"); done
fi
status=0
for name in "${targets[@]}"; do
  bin="$build/fuzz-bin/${name}_fuzz"
  work="$build/corpus-work/$name"
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  [ "$name" = probe ] && [ -n "$fixtures" ] && seeds+=("$fixtures")
  echo "== $name: ${seconds}s"
  # Each input of the probe target may run a one-second conversion: allow it time and memory.
  log="$build/fuzz-$name.log"
  rc=0
  (cd "$build" && "../$bin" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=60 \
     -print_final_stats=1 "../$work" "${seeds[@]/#/../}") >"$log" 2>&1 || rc=$?
  grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)|^(SUMMARY|==[0-9]+==ERROR)|runtime error|Test unit written|^Done [0-9]+ runs' "$log" || true
  if [ $rc -ne 0 ]; then
    echo "!! $name failed (exit $rc): see $log"
    status=1
  fi
done
exit $status
