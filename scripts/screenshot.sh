#!/usr/bin/env bash
# Takes docs/main_window.png: starts the built program as a new user (empty home folder) on a virtual
# X display and grabs its window. Needs xvfb and ImageMagick; build the release first (scripts/run.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="${1:-$root/build-release/app/zelto}"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p "$root/docs"
HOME="$home" XDG_RUNTIME_DIR="$home" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1" & pid=$!
  sleep 4
  import -window root "$2/shot.png"
  kill $pid' _ "$program" "$home"
# No window manager: the window stands at the top edge + 200 pixels, centred, without a frame.
convert "$home/shot.png" -trim +repage "$root/docs/main_window.png"
identify "$root/docs/main_window.png"
