#!/usr/bin/env bash
# The batch driver (what zanto-convert and the window program run) against the ffmpeg program on
# the same 30 s 1920x1080 30 fps H.264/AAC source, converted to the iPod MPEG-4 format (code 2:
# mpeg4 320x240 2500 kbit/s 29.97 fps, AAC 160 kbit/s 44.1 kHz stereo), and the same conversion
# with brightness, contrast, saturation, exposure, a text and a picture watermark on.
#
#   bench/batch/run.sh [BUILD_DIR] [RUNS]      (defaults: build, 3)
# Prints the median wall time of each, the ratios and the peak resident memory.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=../common.sh
source "$root/bench/common.sh"
build=${1:-$root/build}
runs=${2:-3}
cmake --build "$build" --target zanto_batch_bench >/dev/null
driver=$build/bin/zanto_batch_bench
work=${ZANTO_BENCH_DIR:-/tmp/zanto-batch-bench}
mkdir -p "$work"
src=$work/source_1080p30.mp4
make_1080p_source "$src"
picture=$work/logo.png
[ -s "$picture" ] || ffmpeg -nostdin -loglevel error -y -f lavfi -i "color=c=red@0.5:size=200x100,format=rgba" \
  -frames:v 1 "$picture"
settings=$work/settings.ini
cp "$root/data/zantowmvmp4converter.default.ini" "$settings"
formats=$root/data/zantowmvmp4format.ini

measure() {  # prints "seconds peak_kb"
  rm -rf "$work/out"
  mkdir -p "$work/out"
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" ||
    { echo "failed: $*" >&2; cat "$work/stderr.txt" >&2; }
  tail -1 "$work/time.txt"
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

ffmpeg_cmd=(ffmpeg -nostdin -y -i "$src" -c:v mpeg4 -s 320x240 -b:v 2500k -r 29.97 -c:a aac -b:a 160k
            -ar 44100 -ac 2 "$work/out/ffmpeg.mp4")
declare -A times mem
for ((i = 0; i < runs; i++)); do
  for side in ffmpeg ours edits; do
    case $side in
      ffmpeg) cmd=("${ffmpeg_cmd[@]}") ;;
      ours) cmd=("$driver" "$src" "$work/out" 2 "$settings" "$formats") ;;
      edits) cmd=("$driver" "$src" "$work/out" 2 "$settings" "$formats" --edits "$picture") ;;
    esac
    read -r t m < <(measure "${cmd[@]}")
    times[$side]+="$t "
    (( m > ${mem[$side]:-0} )) && mem[$side]=$m
  done
done
med() { tr ' ' '\n' <<<"${times[$1]}" | grep . | median; }
f=$(med ffmpeg); o=$(med ours); e=$(med edits)
printf "%-28s %10s %12s\n" run median_s peak_rss_MB
printf "%-28s %10s %12d\n" "ffmpeg program" "$f" $((mem[ffmpeg] / 1024))
printf "%-28s %10s %12d\n" "batch driver" "$o" $((mem[ours] / 1024))
printf "%-28s %10s %12d\n" "batch driver, all edits on" "$e" $((mem[edits] / 1024))
awk -v f="$f" -v o="$o" -v e="$e" 'BEGIN {
  printf "ratio ours/ffmpeg: %.3f (goal <= 1.05)\n", o / f;
  printf "ratio edits/plain: %.3f (goal <= 2.5)\n", e / o }'
