#!/usr/bin/env bash
# Soak: 50 conversions (10 batches of 5) in one process through the batch driver, printing the
# process's resident memory, open descriptors and threads when idle and after every batch.
# Fails when descriptors or threads do not return to their idle level after a batch, or memory
# keeps growing (more than 16 kB per conversion over the second half of the batches).
#
#   bench/soak/run.sh [BUILD_DIR] [BATCHES] [FILES_PER_BATCH]     (defaults: build, 10, 5)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
batches=${2:-10}
files=${3:-5}
cmake --build "$build" --target zanto_soak >/dev/null
work=${ZANTO_SOAK_DIR:-/tmp/zanto-soak}
mkdir -p "$work"
src=$work/source.mp4
if [ ! -s "$src" ]; then
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i testsrc2=size=640x360:rate=25:duration=3 \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=3 -ac 2 \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac "$src.tmp.mp4"
  mv "$src.tmp.mp4" "$src"
fi
cp -f "$root/data/zantowmvmp4converter.default.ini" "$work/settings.ini"
exec "$build/bin/zanto_soak" "$work/settings.ini" "$root/data/zantowmvmp4format.ini" "$src" "$work/out" \
  "$batches" "$files" 2
