#!/bin/sh
# Frames per second of the frame renderer on a 1920x1080 frame (see README.md beside this file).
#   bench/renderer/run.sh [build folder] [seconds per case] [threads for the split runs]
# Builds the benchmark program in the build folder (default: build/) with -j2 and runs it.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
seconds=${2:-3}
threads=${3:-2}
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
  cmake -S "$root" -B "$build" -G Ninja
fi
cmake --build "$build" --target zanto_renderer_bench -j2
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
QT_QPA_PLATFORM=offscreen "$build/bin/zanto_renderer_bench" "$seconds" "$threads"
