#!/usr/bin/env bash
# Whole conversions with the engine and with the ffmpeg program, same input, same settings, side
# by side: prints the median wall time of each, the ratio ours/ffmpeg and the peak resident
# memory of both, per case.
#
#   bench/engine/run_bench.sh [BUILD_DIR] [RUNS]     (defaults: build-engine, 3)
#
# The source is 30 s of 1920x1080 30 fps H.264 + AAC made once with the ffmpeg program. Set
# ZANTO_BENCH_LONG=1 to also convert a 30-minute source (ZANTO_BENCH_LONG_SECONDS to change the
# length) and sample our resident memory every 5 s; ZANTO_BENCH_SHORT=0 skips the comparison.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=../common.sh
source "$root/bench/common.sh"
build=${1:-$root/build-engine}
runs=${2:-3}
driver=$build/bin/zanto_engine_bench
cmake --build "$build" --target zanto_engine_bench >/dev/null
work=${ZANTO_BENCH_DIR:-/tmp/zanto-engine-bench}
mkdir -p "$work"
src=$work/source_1080p30.mp4
make_1080p_source "$src"

# name | extension | our option text | the ffmpeg program's options
cases=(
  "a_ipod_mpeg4_320x240|mp4|vcodec=mpeg4 s=320x240 vb=768000 acodec=aac ab=128000|-c:v mpeg4 -s 320x240 -b:v 768k -c:a aac -b:a 128k"
  "b_x264_720p_medium|mp4|vcodec=libx264 s=1280x720 vb=2500000 acodec=aac ab=128000|-c:v libx264 -preset medium -s 1280x720 -b:v 2500k -c:a aac -b:a 128k"
  "c_wmv2_640x480|wmv|vcodec=wmv2 s=640x480 acodec=wmav2|-c:v wmv2 -s 640x480 -c:a wmav2"
)

# Runs a command under GNU time; prints "seconds peak_kb".
measure() {
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" ||
    { echo "failed: $*" >&2; cat "$work/stderr.txt" >&2; }
  tail -1 "$work/time.txt"
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

[ "${ZANTO_BENCH_SHORT:-1}" = 1 ] && printf "%-24s %10s %10s %7s %12s %12s\n" case ours_s ffmpeg_s ratio ours_rss_MB ffmpeg_rss_MB
[ "${ZANTO_BENCH_SHORT:-1}" = 1 ] && for entry in "${cases[@]}"; do
  IFS='|' read -r name ext ours theirs <<<"$entry"
  ours_t=(); ffm_t=(); ours_m=0; ffm_m=0
  for ((i = 0; i < runs; i++)); do
    # Alternate the order so neither side always meets a warm or a cold cache.
    read -r t m < <(measure "$driver" "$src" "$work/ours_$name.$ext" $ours)
    ours_t+=("$t"); (( m > ours_m )) && ours_m=$m
    read -r t m < <(measure ffmpeg -nostdin -hide_banner -loglevel error -y -i "$src" $theirs "$work/ffmpeg_$name.$ext")
    ffm_t+=("$t"); (( m > ffm_m )) && ffm_m=$m
  done
  o=$(printf "%s\n" "${ours_t[@]}" | median)
  f=$(printf "%s\n" "${ffm_t[@]}" | median)
  printf "%-24s %10.2f %10.2f %7.3f %12.1f %12.1f\n" "$name" "$o" "$f" "$(echo "$o / $f" | bc -l)" \
    "$(echo "$ours_m / 1024" | bc -l)" "$(echo "$ffm_m / 1024" | bc -l)"
done

if [ "${ZANTO_BENCH_LONG:-0}" = 1 ]; then
  seconds=${ZANTO_BENCH_LONG_SECONDS:-1800}
  long=$work/source_${seconds}s_360p.mp4
  if [ ! -s "$long" ]; then
    echo "making the $seconds s source..." >&2
    ffmpeg -nostdin -hide_banner -loglevel error -y \
      -f lavfi -i testsrc2=size=640x360:rate=30:duration="$seconds" \
      -f lavfi -i sine=frequency=440:sample_rate=48000:duration="$seconds" -ac 2 \
      -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest "$long.tmp.mp4"
    mv "$long.tmp.mp4" "$long"
  fi
  # Resident memory of our conversion every 5 s: it must not grow after the first seconds. The
  # output is MPEG-TS, whose muxer keeps no index in memory (an MP4 muxer's index grows with
  # every packet, whoever drives it).
  "$driver" "$long" "$work/ours_long.ts" vcodec=mpeg4 s=320x240 vb=768000 acodec=aac ab=128000 &
  pid=$!
  echo "seconds rss_MB"
  t=0
  while kill -0 "$pid" 2>/dev/null; do
    rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
    [ -n "$rss" ] && echo "$t $(echo "$rss / 1024" | bc -l | xargs printf %.1f)"
    sleep 5; t=$((t + 5))
  done
  wait "$pid"
fi
