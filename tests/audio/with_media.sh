#!/usr/bin/env bash
# Makes the media of the audio tests with ffmpeg in a fresh folder, then runs a Windows test
# executable under the Wine runner with CUEMILL_MEDIA_DIR naming that folder as Wine sees it.
# Usage: with_media.sh RUNNER EXE [ARGS...]
set -euo pipefail
runner=$1; exe=$2; shift 2
dir=$(mktemp -d "${TMPDIR:-/tmp}/cuemill-audio.XXXXXX")
trap 'rm -rf "$dir"' EXIT
make() { ffmpeg -nostdin -v error -y "$@"; }
# Silence with 1 kHz tone bursts at 1.0-1.5 s and 3.0-3.2 s, exact to the sample.
burst="if(between(t,1,1.5)+between(t,3,3.2),0.5*sin(2*PI*1000*t),0)"
picture=(-f lavfi -i "testsrc=size=160x120:rate=25:duration=5")
make "${picture[@]}" -f lavfi -i "aevalsrc='$burst|$burst':s=48000:d=5" \
  -c:v libx264 -pix_fmt yuv420p -c:a aac -b:a 128k -shortest "$dir/burst.mp4"
# Matroska without an edit list would shift an AAC track by its priming: FLAC has none.
make "${picture[@]}" -f lavfi -i "aevalsrc='$burst|$burst':s=44100:d=5" \
  -c:v libx264 -pix_fmt yuv420p -c:a flac -shortest "$dir/burst.mkv"
make -f lavfi -i "aevalsrc='$burst':s=22050:d=5" -c:a pcm_s16le "$dir/burst.wav"
make "${picture[@]}" -an -c:v libx264 -pix_fmt yuv420p "$dir/silent_film.mp4"
# Cut short: the MP4's index is at its end; the Matroska file streams, at a constant rate.
head -c $(( $(stat -c %s "$dir/burst.mp4") / 2 )) "$dir/burst.mp4" > "$dir/cut.mp4"
make -f lavfi -i "aevalsrc='$burst':s=44100:d=5" -c:a pcm_s16le "$dir/whole.mkv"
head -c $(( $(stat -c %s "$dir/whole.mkv") * 3 / 5 )) "$dir/whole.mkv" > "$dir/cut.mkv"
printf 'This is a subtitle editor test file, not audio.\n%.0s' $(seq 200) > "$dir/text.mp3"
# Long enough to be still reading when the test stops it.
make -f lavfi -i "anoisesrc=d=1200:a=0.1:r=8000" -c:a libmp3lame -q:a 9 "$dir/long.mp3"
# Wine maps drive Z: to the Unix root.
export CUEMILL_MEDIA_DIR="Z:${dir//\//\\}"
# Not exec: the trap removes the folder afterwards.
status=0
"$runner" "$exe" "$@" || status=$?
exit "$status"
