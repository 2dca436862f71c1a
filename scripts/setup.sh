#!/usr/bin/env bash
# Installs the Debian packages that Zelto's build, tests and program need, only when missing.
set -euo pipefail

packages=(
  build-essential cmake git pkg-config python3
  qt6-base-dev qt6-multimedia-dev
  libgphoto2-dev
  libgps-dev gpsd gpsd-clients python3-gps
  libnetcdf-dev gmt-gshhg-high gmt-gshhg-low
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-dev
  fonts-dejavu-core
  espeak-ng sox imagemagick xvfb xdotool
  desktop-file-utils appstream dpkg-dev file librsvg2-bin
  dbus-daemon python3-dbusmock
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
