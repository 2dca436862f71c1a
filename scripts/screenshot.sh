#!/usr/bin/env bash
# Takes docs/main_window.png, docs/site_map.png, docs/about_panel.png, docs/exposure_window.png and
# docs/camera_window.png: starts the built program as a new user (empty home folder) with the simulated
# camera on a virtual X display, grabs the main window, opens the About panel (Alt+A, V) and grabs
# it, clicks the world map to open the site map and grabs it, opens the exposure window with Alt+E,
# presses "Create Exposure Table" and grabs that window, then opens the camera window (Alt+C),
# connects, runs "Test Eclipse Photography" to its end and grabs the camera window with the run's
# summary. Needs xvfb, xdotool and ImageMagick; build the release first (scripts/run.sh).
#
# "screenshot.sh site-maps [PROGRAM]" takes only the site maps: docs/site_map_2024.png and
# docs/site_map_2027.png near a limit of the path of 2024-04-08 (Austin, Texas) and of 2027-08-02
# (Málaga), and docs/site_map.png around the default site (at sea level). It
# starts the program once to have it write its Zelto.prm, puts the eclipse and site into that file,
# starts it again and clicks the world map.
#
# "screenshot.sh day-view [PROGRAM]" takes docs/day_view.png and docs/day_view_night.png: the
# eclipse-day view (Ctrl+D) for 2027-08-02 at Luxor, in normal and in night mode (NightMode=1 in
# Zelto.opt), on a 1366x768 screen.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# put_site PROGRAM HOME ECLIPSE LATITUDE N|S LONGITUDE E|W HEIGHT, run inside a virtual display: starts
# the program once so that it writes its Zelto.prm ("Exit (save coordinates)"), then puts the eclipse
# and the site into that file.
put_site='put_site() {
  "$1" & local pid=$!
  sleep 4
  local main
  main=$(xdotool search --name "^Zelto" | head -n 1)
  xdotool windowfocus --sync "$main" key --window "$main" alt+f
  sleep 1
  xdotool key x
  wait $pid || true
  local prm="$2/.local/share/Zelto/Zelto.prm" version
  version=$(head -n 1 "$prm" | tr -d "\r")
  printf "%s\r\n%s\tEclipse#\r\n\tmy DeltaT (sec)\r\n0\tautomatic DeltaT\r\n%s\tLatitude\r\n%s\r\n%s\tLongitude\r\n%s\r\n%s\r\n" \
    "$version" "$3" "$4" "$5" "$6" "$7" "$8" > "$prm"
}
'
if [ "${1:-}" = "site-maps" ]; then
  program="${2:-$root/build-release/app/zelto}"
  home="$(mktemp -d)"
  trap 'rm -rf "$home"' EXIT
  mkdir -p "$root/docs"
  shoot() {  # NAME ECLIPSE LATITUDE N|S LONGITUDE E|W
    rm -rf "$home/.local"
    HOME="$home" XDG_RUNTIME_DIR="$home" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
      "$1" & pid=$!
      sleep 4
      main=$(xdotool search --name "^Zelto" | head -n 1)
      xdotool windowfocus --sync "$main" key --window "$main" alt+f
      sleep 1
      xdotool key x
      wait $pid || true
      prm="$2/.local/share/Zelto/Zelto.prm"
      version=$(head -n 1 "$prm" | tr -d "
")
      printf "%s
%s	Eclipse#
	my DeltaT (sec)
0	automatic DeltaT
%s	Latitude
%s
%s	Longitude
%s
0000
"         "$version" "$4" "$5" "$6" "$7" "$8" > "$prm"
      "$1" & pid=$!
      sleep 4
      main=$(xdotool search --name "^Zelto" | head -n 1)
      # The world map east of both sites'' marker bars, in window coordinates below the menu bar: a
      # click opens the site map.
      xdotool mousemove --window "$main" 250 480 click 1
      sleep 5
      sitemap=$(xdotool search --name "^Zelto - Site map$" | head -n 1)
      import -window "$sitemap" "$2/$3.png"
      kill $pid' _ "$program" "$home" "$@"
    cp "$home/$1.png" "$root/docs/$1.png"
  }
  shoot site_map_2024 51 30.2700 N 97.7400 W
  shoot site_map_2027 58 36.7200 N 4.4200 W
  shoot site_map 51 25.0000 N 103.5000 W
  identify "$root/docs/site_map_2024.png" "$root/docs/site_map_2027.png" "$root/docs/site_map.png"
  exit 0
fi
if [ "${1:-}" = "day-view" ]; then
  program="${2:-$root/build-release/app/zelto}"
  home="$(mktemp -d)"
  trap 'rm -rf "$home"' EXIT
  mkdir -p "$root/docs"
  HOME="$home" XDG_RUNTIME_DIR="$home" xvfb-run -a -s "-screen 0 1366x768x24" bash -c "$put_site"'
    put_site "$1" "$2" 58 25.6872 N 32.6396 E 75
    folder="$2/.local/share/Zelto"
    for night in 0 1; do
      printf "SpokenCountdown=0\r\nKeepAwake=1\r\nNightMode=%s\r\n" "$night" > "$folder/Zelto.opt"
      "$1" & pid=$!
      sleep 4
      main=$(xdotool search --name "^Zelto" | head -n 1)
      xdotool windowfocus --sync "$main" key --window "$main" ctrl+d
      sleep 2
      day=$(xdotool search --name "^Zelto - Eclipse day$" | head -n 1)
      import -window "$day" "$2/day_$night.png"
      kill $pid
      wait $pid || true
    done' _ "$program" "$home"
  cp "$home/day_0.png" "$root/docs/day_view.png"
  cp "$home/day_1.png" "$root/docs/day_view_night.png"
  identify "$root/docs/day_view.png" "$root/docs/day_view_night.png"
  exit 0
fi
program="${1:-$root/build-release/app/zelto}"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p "$root/docs"
HOME="$home" XDG_RUNTIME_DIR="$home" ZELTO_CAMERA=virtual xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$put_site"'
  # A first start shows the next eclipse from today: the pictures are of 2024-04-08 at the default site.
  put_site "$1" "$2" 51 25.0000 N 103.5000 W 800
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
