#!/usr/bin/env bash
# Makes the videos of the main window's video tests with ffmpeg in a fresh folder, runs the
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
# Wine maps drive Z: to the Unix root.
export CUEMILL_VIDEO_DIR="Z:${dir//\//\\}"
# Not exec: the trap must still remove the folder.
status=0
"$runner" "$exe" "$@" || status=$?
exit $status
