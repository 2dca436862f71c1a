#!/usr/bin/env bash
# Takes docs/main_window.png, docs/site_map.png and docs/exposure_window.png: starts the built program
# as a new user (empty home folder) on a virtual X display, grabs the main window, clicks the world
# map to open the site map and grabs it, opens the exposure window with Alt+E, presses "Create
# Exposure Table" and grabs that window. Needs xvfb, xdotool and ImageMagick; build the
# release first (scripts/run.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="${1:-$root/build-release/app/zelto}"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p "$root/docs"
HOME="$home" XDG_RUNTIME_DIR="$home" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1" & pid=$!
  sleep 4
  import -window root "$2/main.png"
  main=$(xdotool search --name "^Zelto" | head -n 1)
  # The world map, in window coordinates below the menu bar: a click opens the site map.
  xdotool mousemove --window "$main" 170 480 click 1
  sleep 3
  sitemap=$(xdotool search --name "^Zelto - Site map$" | head -n 1)
  import -window "$sitemap" "$2/sitemap.png"
  xdotool windowfocus --sync "$main" key --window "$main" alt+e
  sleep 2
  exposure=$(xdotool search --name "^Zelto - Exposure table$" | head -n 1)
  # The "Create Exposure Table" button, in window coordinates below the menu bar.
  xdotool mousemove --window "$exposure" 367 242 click 1
  sleep 2
  import -window "$exposure" "$2/exposure.png"
  kill $pid' _ "$program" "$home"
# No window manager: the main window stands at the top edge + 200 pixels, centred, without a frame.
convert "$home/main.png" -trim +repage "$root/docs/main_window.png"
cp "$home/exposure.png" "$root/docs/exposure_window.png"
cp "$home/sitemap.png" "$root/docs/site_map.png"
identify "$root/docs/main_window.png" "$root/docs/site_map.png" "$root/docs/exposure_window.png"
