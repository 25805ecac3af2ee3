#!/usr/bin/env bash
# Preview player benchmark: A/V sync over 20 s of a 25 fps clip with sound, and smoothness of a
# 1920x1080 30 fps H.264 clip drawn into 640x360 and 640x480 areas for 10 s. Silent audio
# driver (as on machines without sound). Usage: bench/player/run_bench.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-player}
cmake --build "$build" --target player_bench -j2 >/dev/null
bench="$build/tests-bin/player_bench"
media="$build/bench-fixtures/player"
mkdir -p "$media"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
[ -f "$media/sync_25fps.mp4" ] || ff -f lavfi -i testsrc=size=640x360:rate=25:duration=25 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=25 -ac 2 -c:v libx264 -preset veryfast \
  -pix_fmt yuv420p -c:a aac -b:a 128k -shortest "$media/sync_25fps.mp4"
[ -f "$media/hd_30fps.mp4" ] || ff -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=12 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=12 -ac 2 -c:v libx264 -preset veryfast \
  -pix_fmt yuv420p -c:a aac -b:a 128k -shortest "$media/hd_30fps.mp4"
echo "== A/V sync: 20 s of 25 fps with audio"
SDL_AUDIODRIVER=dummy "$bench" "$media/sync_25fps.mp4" 20 640 360
echo "== smoothness: 1920x1080 30 fps into 640x360, 10 s"
SDL_AUDIODRIVER=dummy "$bench" "$media/hd_30fps.mp4" 10 640 360
echo "== smoothness: 1920x1080 30 fps into 640x480, 10 s"
SDL_AUDIODRIVER=dummy "$bench" "$media/hd_30fps.mp4" 10 640 480
