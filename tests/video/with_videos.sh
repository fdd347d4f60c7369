#!/usr/bin/env bash
# Makes the test videos with ffmpeg in a fresh folder, then runs a Windows test executable
# under the Wine runner with CUEMILL_VIDEO_DIR naming that folder as Wine sees it.
# Usage: with_videos.sh RUNNER EXE [ARGS...]
set -euo pipefail
runner=$1; exe=$2; shift 2
dir=$(mktemp -d "${TMPDIR:-/tmp}/cuemill-video.XXXXXX")
trap 'rm -rf "$dir"' EXIT
make() {  # size, codec options, file
  ffmpeg -nostdin -v error -f lavfi -i "testsrc=size=$1:rate=25:duration=10" $2 -an "$dir/$3"
}
make 640x360 "-c:v libx264 -pix_fmt yuv420p -g 25" wide.mp4
make 640x360 "-c:v mjpeg -q:v 5" wide.avi
make 320x240 "-c:v mpeg4 -q:v 5 -g 25" square.mp4
# Red, green / blue, yellow quadrants: any part of the frame missing on screen shows.
ffmpeg -nostdin -v error -f lavfi \
  -i "nullsrc=size=640x360:rate=25:duration=10,format=gbrp,geq=r='if(lt(Y,H/2),if(lt(X,W/2),255,0),if(lt(X,W/2),0,255))':g='if(lt(X,W/2),0,255)':b='if(lt(X,W/2)*gte(Y,H/2),255,0)'" \
  -c:v libx264 -pix_fmt yuv420p -g 25 -an "$dir/quadrants.mp4"
printf 'This is a subtitle editor test file, not a video.\n%.0s' $(seq 200) > "$dir/text.avi"
# Wine maps drive Z: to the Unix root.
export CUEMILL_VIDEO_DIR="Z:${dir//\//\\}"
# Not exec: the trap removes the folder afterwards.
status=0
"$runner" "$exe" "$@" || status=$?
exit "$status"
