#!/usr/bin/env bash
# Makes the small media files the tests read, with the ffmpeg program, into the folder given.
# Runs once per build folder: a stamp file records that every fixture was made. Each file is
# written under a temporary name and renamed when complete, so an interrupted run never leaves a
# half-written fixture behind and the next run simply makes everything again.
#
# Files (all about 2 s, a few tens of KiB unless noted):
#   clip.mp4            H.264 yuv420p 320x240 25 fps + AAC 44.1 kHz stereo 440 Hz tone
#   clip_30fps.mp4      as clip.mp4 at 30 fps
#   clip.avi            MPEG-4 Part 2 (XVID tag) 320x240 25 fps + MP3 44.1 kHz stereo
#   clip.mkv            H.264 320x240 25 fps + Vorbis 44.1 kHz stereo (Matroska, 1/1000 time base)
#   clip_90k.ts         MPEG-TS: MPEG-2 video 320x240 25 fps + MP2 audio, 1/90000 time base
#                       (the muxer's default delay makes it start near 1.43 s)
#   clip_2997.mp4       H.264 320x240 at 30000/1001 fps, video only (1 s)
#   video_only.mp4      H.264 320x240 25 fps, no audio stream
#   odd_321x241.mkv     FFV1 at an odd size 321x241, 25 fps, no audio
#   audio.mp3           MP3 44.1 kHz stereo, no video, no tags
#   audio.wav           PCM s16le 44.1 kHz stereo
#   id3.mp3             MP3 with ID3v2.3 tags: title, artist, album, date, genre, track
#   tagged.mp4          clip.mp4 with title/artist/comment metadata and a "language" on each stream
#   subs.mkv            stream #0 SubRip subtitles (language=eng), #1 H.264, #2 AAC (from clip.mp4),
#                       #3 a text attachment (notes.txt): every kind, and no kind first by index
#   dated.mp4           clip.mp4 with creation_time 2020-01-02T03:04:05Z (1577934245 s since 1970)
#   lang_only.ts        MPEG-TS H.264 + MP2 (1 s); the audio stream's only metadata is language=eng,
#                       the file and the video stream have none
#   late_start.mp4      H.264 + AAC; video starts at 1.4 s, audio at 1.376 s (AAC priming)
#   late_start.ts       MPEG-TS H.264 + AAC; video starts at 1.4 s (no extra mux delay)
#   клип é.mp4          copy of clip.mp4 under a non-ASCII (UTF-8) name
#   empty.mp4           zero bytes
#   text.mp4            a plain text file with an .mp4 name
#   truncated.mp4       clip.mp4 with its index at the front (+faststart), cut at 60 % of its size
#   truncated_head.mp4  the first 100 bytes of clip.mp4 (cut inside the index)
set -euo pipefail
out=${1:?usage: make_fixtures.sh OUTPUT_DIR}
mkdir -p "$out"
stamp="$out/.complete-v5"
[ -f "$stamp" ] && exit 0
rm -f "$out"/.complete-v* "$out"/.tmp.*  # an older or interrupted set is made again in full

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
# fixture NAME ARGS...: runs ffmpeg with ARGS writing to a temporary file, then renames it to NAME.
# The temporary name keeps the extension so ffmpeg picks the right container.
fixture() {
  local name=$1; shift
  local tmp="$out/.tmp.$name"
  ff "$@" "$tmp"
  mv -f "$tmp" "$out/$name"
}

# Sources: test pattern pictures and a 440 Hz tone.
video=(-f lavfi -i testsrc=size=320x240:rate=25:duration=2)
video1s=(-f lavfi -i testsrc=size=320x240:rate=25:duration=1)
video30=(-f lavfi -i testsrc=size=320x240:rate=30:duration=2)
video2997=(-f lavfi -i testsrc=size=320x240:rate=30000/1001:duration=1)
videoOdd=(-f lavfi -i testsrc=size=321x241:rate=25:duration=2)
tone=(-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2)
tone1s=(-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1)
stereo=(-ac 2)

fixture clip.mp4 "${video[@]}" "${tone[@]}" "${stereo[@]}" -c:v libx264 -preset veryfast \
  -pix_fmt yuv420p -c:a aac -b:a 96k -shortest
fixture clip_30fps.mp4 "${video30[@]}" "${tone[@]}" "${stereo[@]}" -c:v libx264 -preset veryfast \
  -pix_fmt yuv420p -c:a aac -b:a 96k -shortest
fixture clip.avi "${video[@]}" "${tone[@]}" "${stereo[@]}" -c:v mpeg4 -vtag XVID -q:v 5 \
  -c:a libmp3lame -b:a 96k -shortest
fixture clip.mkv "${video[@]}" "${tone[@]}" "${stereo[@]}" -c:v libx264 -preset veryfast \
  -pix_fmt yuv420p -c:a libvorbis -shortest
fixture clip_90k.ts "${video[@]}" "${tone[@]}" "${stereo[@]}" -c:v mpeg2video -q:v 5 \
  -c:a mp2 -b:a 128k -shortest
fixture clip_2997.mp4 "${video2997[@]}" -c:v libx264 -preset veryfast -pix_fmt yuv420p
fixture video_only.mp4 "${video[@]}" -c:v libx264 -preset veryfast -pix_fmt yuv420p
fixture odd_321x241.mkv "${videoOdd[@]}" -c:v ffv1 -pix_fmt yuv420p
fixture audio.mp3 "${tone[@]}" "${stereo[@]}" -c:a libmp3lame -b:a 96k -write_xing 1
fixture audio.wav "${tone[@]}" "${stereo[@]}" -c:a pcm_s16le
fixture id3.mp3 "${tone[@]}" "${stereo[@]}" -c:a libmp3lame -b:a 96k -id3v2_version 3 \
  -metadata title="Test Title" -metadata artist="Test Artist" -metadata album="Test Album" \
  -metadata date=2001 -metadata genre=Blues -metadata track=7
fixture tagged.mp4 -i "$out/clip.mp4" -c copy -map_metadata -1 \
  -metadata title="Tagged Clip" -metadata artist="Zanto Tester" -metadata comment="made for tests" \
  -metadata:s:v:0 language=eng -metadata:s:a:0 language=fre
printf '1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n00:00:01,000 --> 00:00:02,000\nWorld\n' \
  > "$out/.tmp.subs.srt"
printf 'Notes attached to a test file.\n' > "$out/.tmp.notes.txt"
fixture subs.mkv -i "$out/clip.mp4" -i "$out/.tmp.subs.srt" -map 1 -map 0 -c copy -c:s srt \
  -metadata:s:s:0 language=eng -attach "$out/.tmp.notes.txt" -metadata:s:t mimetype=text/plain \
  -metadata:s:t filename=notes.txt
rm -f "$out/.tmp.subs.srt" "$out/.tmp.notes.txt"
fixture dated.mp4 -i "$out/clip.mp4" -c copy -metadata creation_time=2020-01-02T03:04:05Z
fixture lang_only.ts "${video1s[@]}" "${tone1s[@]}" -c:v libx264 -preset veryfast -pix_fmt yuv420p \
  -c:a mp2 -metadata:s:a:0 language=eng
fixture late_start.mp4 "${video[@]}" "${tone[@]}" "${stereo[@]}" -c:v libx264 -preset veryfast \
  -pix_fmt yuv420p -c:a aac -b:a 96k -shortest -output_ts_offset 1.4
fixture late_start.ts "${video[@]}" "${tone[@]}" "${stereo[@]}" -c:v libx264 -preset veryfast \
  -pix_fmt yuv420p -c:a aac -b:a 96k -shortest -muxdelay 0 -muxpreload 0 -output_ts_offset 1.4
fixture truncated_src.mp4 -i "$out/clip.mp4" -c copy -movflags +faststart

cp -f "$out/clip.mp4" "$out/.tmp.unicode" && mv -f "$out/.tmp.unicode" "$out/клип é.mp4"
: > "$out/empty.mp4"
printf 'This is a plain text file, not a movie.\nIt only has an .mp4 name.\n' > "$out/text.mp4"
size=$(stat -c %s "$out/truncated_src.mp4")
head -c $((size * 6 / 10)) "$out/truncated_src.mp4" > "$out/.tmp.truncated" \
  && mv -f "$out/.tmp.truncated" "$out/truncated.mp4"
head -c 100 "$out/clip.mp4" > "$out/.tmp.truncated_head" \
  && mv -f "$out/.tmp.truncated_head" "$out/truncated_head.mp4"
rm -f "$out/truncated_src.mp4"

touch "$stamp"
