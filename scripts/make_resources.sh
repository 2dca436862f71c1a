#!/usr/bin/env bash
# Makes the resource files that are committed in resources/: the world map and the spoken commands.
# Not part of the build; run it again only to remake them. Needs apt-get, ImageMagick and espeak-ng.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/resources"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# World map: NASA Visible Earth image (not copyrighted, credit NASA) as Debian's xplanet-images ships
# it: 2048 × 1024, equirectangular, Greenwich at the centre, north up. Scaled to one pixel per degree.
(cd "$work" && apt-get download xplanet-images >/dev/null && dpkg-deb -x xplanet-images_*.deb x)
convert "$work/x/usr/share/xplanet/images/earth.jpg" -filter Lanczos -resize '360x180!' \
  -strip -define png:color-type=2 "PNG24:$out/world_map.png"

# Spoken commands: espeak-ng, English voice, 16-bit mono PCM WAV.
speak() {
  espeak-ng -v en-us -s 140 -a 180 -w "$work/raw.wav" "$2"
  sox "$work/raw.wav" -r 22050 -b 16 -c 1 "$out/$1" norm -1
}
speak OK.wav "O K"
speak remove_filters.wav "Remove filters"
speak attach_filters.wav "Attach filters"
echo "made: $(cd "$out" && ls world_map.png *.wav | tr '\n' ' ')"
