#!/usr/bin/env bash
# Makes the videos and audio files of the main window's video tests with ffmpeg in a fresh folder, runs the
# Windows test executable under the Wine runner with CUEMILL_VIDEO_DIR naming that folder as
# Wine sees it, and removes the folder afterwards.
# Usage: with_window_videos.sh RUNNER EXE [ARGS...]
set -euo pipefail
runner=$1; exe=$2; shift 2
dir=$(mktemp -d "${TMPDIR:-/tmp}/cuemill-window-video.XXXXXX")
trap 'rm -rf "$dir"' EXIT
# 90 s of 64x36 at 5 frames a second: a long video that is cheap to make and to decode.
# Motion JPEG makes every frame a key frame, so a seek lands where it was asked to.
ffmpeg -nostdin -v error -f lavfi -i "testsrc=size=64x36:rate=5:duration=90" -c:v mjpeg -q:v 5 -an "$dir/long.avi"
# Audio alone: 5 s of silence with a tone from 1.0 to 1.5 s, and 20 minutes of noise that take
# a while to read.
ffmpeg -nostdin -v error -f lavfi -i "aevalsrc='if(between(t,1,1.5),0.5*sin(2*PI*1000*t),0)':s=22050:d=5" \
  -c:a pcm_s16le "$dir/tone.wav"
ffmpeg -nostdin -v error -f lavfi -i "anoisesrc=d=1200:a=0.1:r=8000" -c:a libmp3lame -q:a 9 "$dir/noise.mp3"
# Wine maps drive Z: to the Unix root.
export CUEMILL_VIDEO_DIR="Z:${dir//\//\\}"
# Not exec: the trap must still remove the folder.
status=0
"$runner" "$exe" "$@" || status=$?
exit $status
