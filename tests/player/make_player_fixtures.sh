#!/usr/bin/env bash
# The player tests' own media, made with the ffmpeg program into the folder given:
#   pattern.mp4   320x240 25 fps H.264 (a key frame every second) + 440 Hz stereo tone, 2 s.
#                 Before 1 s the left half is red and the right half blue; from 1 s on the left
#                 half is green and the right half red.
#   pal_sar.mkv   720x576 with pixel aspect 64:45 (a 16:9 picture), MPEG-4, 0.5 s, no audio.
#   subtitled.mkv pattern.mp4's streams plus a text subtitle stream (two cues).
set -euo pipefail
out=${1:?usage: make_player_fixtures.sh OUTPUT_DIR}
mkdir -p "$out"
stamp="$out/.player-v2"
[ -f "$stamp" ] && exit 0
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
halves="color=c=red:s=320x240:r=25:d=2,drawbox=x=160:y=0:w=160:h=240:color=blue:t=fill:enable='lt(t,1)',drawbox=x=0:y=0:w=160:h=240:color=lime:t=fill:enable='gte(t,1)'"
ff -f lavfi -i "$halves" -f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -ac 2 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 25 -c:a aac -b:a 96k -shortest "$out/.tmp.pattern.mp4"
mv -f "$out/.tmp.pattern.mp4" "$out/pattern.mp4"
ff -f lavfi -i testsrc=size=720x576:rate=25:duration=0.5 -vf setsar=64/45 -c:v mpeg4 -q:v 8 \
  "$out/.tmp.pal_sar.mkv"
mv -f "$out/.tmp.pal_sar.mkv" "$out/pal_sar.mkv"
printf '1\n00:00:00,200 --> 00:00:00,900\nfirst\n\n2\n00:00:01,100 --> 00:00:01,800\nsecond\n' \
  > "$out/.tmp.cues.srt"
ff -i "$out/pattern.mp4" -i "$out/.tmp.cues.srt" -map 0 -map 1 -c copy -c:s srt "$out/.tmp.subtitled.mkv"
mv -f "$out/.tmp.subtitled.mkv" "$out/subtitled.mkv"
rm -f "$out/.tmp.cues.srt"
touch "$stamp"
