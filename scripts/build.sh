#!/usr/bin/env bash
# Configures and builds in build/ (or the folder given as BUILD_DIR), with Ninja when present.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
gen=()
command -v ninja >/dev/null 2>&1 && gen=(-G Ninja)
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
# BUILD_TARGETS: a space-separated list of targets to build instead of everything.
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
