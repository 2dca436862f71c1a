#!/usr/bin/env bash
# Takes docs/main_window.png, docs/site_map.png, docs/about_panel.png, docs/exposure_window.png and
# docs/camera_window.png: starts the built program as a new user (empty home folder) with the simulated
# camera on a virtual X display, grabs the main window, opens the About panel (Alt+A, V) and grabs
# it, clicks the world map to open the site map and grabs it, opens the exposure window with Alt+E,
# presses "Create Exposure Table" and grabs that window, then opens the camera window (Alt+C),
# connects, runs "Test Eclipse Photography" to its end and grabs the camera window with the run's
# summary. Needs xvfb, xdotool and ImageMagick; build the release first (scripts/run.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="${1:-$root/build-release/app/zelto}"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p "$root/docs"
HOME="$home" XDG_RUNTIME_DIR="$home" ZELTO_CAMERA=virtual xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1" & pid=$!
  sleep 4
  import -window root "$2/main.png"
  main=$(xdotool search --name "^Zelto" | head -n 1)
  xdotool windowfocus --sync "$main" key --window "$main" alt+a
  sleep 1
  xdotool key v
  sleep 2
  import -window "$main" "$2/about.png"
  # Its "OK" button, then the world map, in window coordinates below the menu bar: a click on the
  # map opens the site map.
  xdotool mousemove --window "$main" 506 489 click 1
  sleep 1
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
  xdotool windowfocus --sync "$main" key --window "$main" alt+c
  sleep 2
  camera=$(xdotool search --name "^Zelto - Camera Form$" | head -n 1)
  # "Connect Camera", the "Eclipse Photography" tab and "Test Eclipse Photography", in window
  # coordinates; the test run of the created table takes about a minute.
  xdotool mousemove --window "$camera" 70 18 click 1
  sleep 3
  xdotool mousemove --window "$camera" 415 50 click 1
  sleep 1
  xdotool mousemove --window "$camera" 83 185 click 1
  sleep 120
  import -window "$camera" "$2/camera.png"
  kill $pid' _ "$program" "$home"
# No window manager: the main window stands at the top edge + 200 pixels, centred, without a frame.
convert "$home/main.png" -trim +repage "$root/docs/main_window.png"
cp "$home/exposure.png" "$root/docs/exposure_window.png"
cp "$home/sitemap.png" "$root/docs/site_map.png"
cp "$home/about.png" "$root/docs/about_panel.png"
cp "$home/camera.png" "$root/docs/camera_window.png"
identify "$root/docs/main_window.png" "$root/docs/site_map.png" "$root/docs/about_panel.png" \
  "$root/docs/exposure_window.png" "$root/docs/camera_window.png"
