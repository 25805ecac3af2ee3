# Shared by the benchmark scripts (sourced, not run).

# make_1080p_source FILE: 30 s of 1920x1080 30 fps H.264 + AAC stereo made with the ffmpeg
# program, once; an existing file is reused.
make_1080p_source() {
  local src=$1
  [ -s "$src" ] && return 0
  echo "making the 30 s 1080p source..." >&2
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=30 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=30 -ac 2 \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p -b:v 8M -c:a aac -b:a 192k -shortest "$src.tmp.mp4"
  mv "$src.tmp.mp4" "$src"
}
