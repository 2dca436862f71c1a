#!/usr/bin/env bash
# "screenshot.sh [BUILD]" takes every window on a 1366x768 laptop screen at each form size:
# docs/windows/NAME_SIZE.png for the main window, the site map, the exposure window, the camera window
# and the eclipse-day view at small, normal and large, and NAME_night.png in night mode. The window test that checks that each window
# fits draws them (BUILD, default build/, must hold the built tests): eclipse 51 at the default site
# at 17:00 UT on the day, a table made for it, the simulated camera connected. The test of other
# cameras adds camera_window_several.png and camera_window_cameras.png: its run page and its "Cameras"
# page after a test run of three named cameras.
#
# "screenshot.sh site-maps [PROGRAM]" takes the site maps: docs/site_map_2024.png and
# docs/site_map_2027.png near a limit of the path of 2024-04-08 (Austin, Texas) and of 2027-08-02
# (Málaga), and docs/site_map.png around the default site (at sea level). It starts the program once
# to have it write its Zelto.prm, puts the eclipse and site into that file, starts it again and opens
# the site map (Ctrl+M). Needs xvfb, xdotool and ImageMagick; build the release first (scripts/run.sh).
#
# "screenshot.sh day-view [PROGRAM]" takes docs/day_view.png and docs/day_view_night.png: the
# eclipse-day view (Ctrl+D) for 2027-08-02 at Luxor, in normal and in night mode (NightMode=1 in
# Zelto.opt), on a 1366x768 screen.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# Run inside a virtual display. put_site PROGRAM HOME ECLIPSE LATITUDE N|S LONGITUDE E|W HEIGHT: starts
# the program once so that it writes its Zelto.prm ("Exit (save coordinates)"), then puts the eclipse
# and the site into that file. grab PROGRAM KEY TITLE FILE: starts the program, presses KEY in its main
# window, saves the window titled TITLE as FILE and ends the program.
helpers='grab() {
  "$1" & local pid=$!
  sleep 4
  local main window
  main=$(xdotool search --name "^Zelto" | head -n 1)
  xdotool windowfocus --sync "$main" key --window "$main" "$2"
  sleep 5
  window=$(xdotool search --name "^$3\$" | head -n 1)
  import -window "$window" "$4"
  kill $pid
  wait $pid || true
}
put_site() {
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
    HOME="$home" XDG_RUNTIME_DIR="$home" xvfb-run -a -s "-screen 0 1366x768x24" bash -c "$helpers"'
      put_site "$1" "$2" "$4" "$5" "$6" "$7" "$8" 0
      grab "$1" ctrl+m "Zelto - Site map" "$2/$3.png"' _ "$program" "$home" "$@"
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
  HOME="$home" XDG_RUNTIME_DIR="$home" xvfb-run -a -s "-screen 0 1366x768x24" bash -c "$helpers"'
    put_site "$1" "$2" 58 25.6872 N 32.6396 E 75
    for night in 0 1; do
      printf "SpokenCountdown=0\r\nKeepAwake=1\r\nNightMode=%s\r\n" "$night" > "$2/.local/share/Zelto/Zelto.opt"
      grab "$1" ctrl+d "Zelto - Eclipse day" "$2/day_$night.png"
    done' _ "$program" "$home"
  cp "$home/day_0.png" "$root/docs/day_view.png"
  cp "$home/day_1.png" "$root/docs/day_view_night.png"
  identify "$root/docs/day_view.png" "$root/docs/day_view_night.png"
  exit 0
fi
build="${1:-$root/build}"
mkdir -p "$root/docs/windows"
ZELTO_SCREENSHOT_DIR="$root/docs/windows" QT_QPA_PLATFORM=offscreen \
  "$build/tests/gui/zelto_gui_tests" --gtest_filter='WindowFit.*:FormCamera.OtherCamerasRunTheirOwnTablesBesideThisOne' \
  --gtest_brief=1
identify "$root"/docs/windows/*.png
