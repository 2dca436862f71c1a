#!/usr/bin/env bash
# Makes the resource files that are committed in resources/: the world map, the spoken commands, the
# spoken countdown's words and the icon's fixed sizes. Not part of the build; run it again only to remake
# them, all of them or the parts named: make_resources.sh [map] [sounds] [countdown] [icons]. Needs apt-get, ImageMagick, espeak-ng, sox and
# rsvg-convert (librsvg2-bin).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/resources"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# World map: NASA Visible Earth image (not copyrighted, credit NASA) as Debian's xplanet-images ships
# it: 2048 × 1024, equirectangular, Greenwich at the centre, north up. Scaled to one pixel per degree.
make_map() {
  (cd "$work" && apt-get download xplanet-images >/dev/null && dpkg-deb -x xplanet-images_*.deb x)
  convert "$work/x/usr/share/xplanet/images/earth.jpg" -filter Lanczos -resize '360x180!' \
    -strip -define png:color-type=2 "PNG24:$out/world_map.png"
  echo "made: world_map.png"
}

# Spoken commands: espeak-ng, English voice, 16-bit mono PCM WAV.
speak() {
  espeak-ng -v en-us -s 140 -a 180 -w "$work/raw.wav" "$2"
  sox "$work/raw.wav" -r 22050 -b 16 -c 1 "$out/$1" norm -1
}
make_sounds() {
  speak OK.wav "O K"
  speak remove_filters.wav "Remove filters"
  speak attach_filters.wav "Attach filters"
  echo "made: OK.wav remove_filters.wav attach_filters.wav"
}

# The spoken countdown's words (circumstances/spoken_countdown.h names them): the same voice, with the
# silence before and after each word cut, so that a word starts on its instant and its length is what
# the countdown reckons with when it drops a word that would run into the next.
speak_word() {
  espeak-ng -v en-us -s 140 -a 180 -w "$work/raw.wav" "$2"
  sox "$work/raw.wav" -r 22050 -b 16 -c 1 "$out/$1" silence 1 0.02 1% reverse silence 1 0.02 1% reverse norm -1
}
make_countdown() {
  speak_word countdown_one_minute.wav "one minute"
  speak_word countdown_thirty_seconds.wav "thirty seconds"
  local numbers=(one two three four five six seven eight nine ten)
  for n in $(seq 1 10); do speak_word "countdown_$n.wav" "${numbers[$((n - 1))]}"; done
  for contact in first second third fourth; do speak_word "${contact}_contact.wav" "$contact contact"; done
  echo "made: countdown_one_minute.wav countdown_thirty_seconds.wav countdown_1.wav … countdown_10.wav" \
    "first_contact.wav second_contact.wav third_contact.wav fourth_contact.wav"
}

# The icon's fixed sizes for the desktop's icon theme, rendered from the drawing. They are committed so
# that building and packaging need no SVG renderer and every build installs the same pixels.
make_icons() {
  for size in 48 128 256; do
    rsvg-convert -w "$size" -h "$size" "$out/icons/org.zelto.Zelto.svg" -o "$out/icons/org.zelto.Zelto-$size.png"
  done
  echo "made: icons/org.zelto.Zelto-48.png, -128.png, -256.png"
}

[ $# -gt 0 ] || set -- map sounds countdown icons
for part in "$@"; do
  case "$part" in
    map) make_map ;;
    sounds) make_sounds ;;
    countdown) make_countdown ;;
    icons) make_icons ;;
    *) echo "make_resources.sh: unknown part '$part' (map, sounds, countdown, icons)" >&2; exit 2 ;;
  esac
done
