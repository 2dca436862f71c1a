#!/usr/bin/env bash
# Checks what a build folder installs: a staged `cmake --install` holds the programs, sounds, menu
# entry, icons, software-centre entry, man page and udev rule; both desktop validators pass; the installed
# zelto-cli runs with the build folder out of reach; and `cpack -G DEB` packs every installed file.
# Usage: scripts/check_install.sh BUILD_FOLDER (scripts/test.sh runs it after the tests).
set -euo pipefail
build="$(cd "${1:?usage: check_install.sh BUILD_FOLDER}" && pwd)"
work="$(mktemp -d)"
hidden=""
cleanup() {
  if [ -n "$hidden" ] && [ -e "$hidden" ]; then mv "$hidden" "$build"; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check_install: $*" >&2; exit 1; }

stage="$work/stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr > /dev/null
(cd "$stage" && find . ! -type d | sort) > "$work/installed.txt"
id=org.zelto.Zelto
for file in usr/bin/zelto usr/bin/zelto-cli \
  usr/share/zelto/OK.wav usr/share/zelto/remove_filters.wav usr/share/zelto/attach_filters.wav \
  usr/share/zelto/countdown_10.wav usr/share/zelto/second_contact.wav \
  "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
  "usr/share/icons/hicolor/scalable/apps/$id.svg" "usr/share/icons/hicolor/48x48/apps/$id.png" \
  "usr/share/icons/hicolor/128x128/apps/$id.png" "usr/share/icons/hicolor/256x256/apps/$id.png" \
  usr/share/man/man1/zelto-cli.1 usr/share/doc/zelto/README.Debian \
  usr/lib/udev/rules.d/61-zelto-camera-usb-power.rules; do
  grep -qx "./$file" "$work/installed.txt" || fail "the install lacks /$file"
done
desktop-file-validate "$stage/usr/share/applications/$id.desktop"
appstreamcli validate --no-net --no-color "$stage/usr/share/metainfo/$id.metainfo.xml" > "$work/appstream.log" ||
  { cat "$work/appstream.log"; fail "appstreamcli validate failed"; }

# The package, from the same build, before the build folder goes out of reach.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb="$(ls "$work"/package/zelto_*.deb)"
dpkg-deb --info "$deb" > "$work/info.txt"
grep -q '^ Depends: .*libc6' "$work/info.txt" || { cat "$work/info.txt"; fail "the package has no Depends from its libraries"; }
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort > "$work/packed.txt"
diff -u "$work/installed.txt" "$work/packed.txt" || fail "the package does not hold exactly the installed files"

# The installed zelto-cli, with the build folder renamed away and off the search path, must answer
# as the built one does.
site=(circumstances --eclipse 51 --lat 25N --lon 103.5W)
expected="$("$build/app/zelto-cli" "${site[@]}")"
hidden="$build.hidden-by-check-install.$$"
mv "$build" "$hidden"
cd "$work"
installed="$(env -i PATH=/usr/bin:/bin HOME="$work" "$stage/usr/bin/zelto-cli" --version)"
[ "$installed" = "$(grep -m1 '^ Version:' "$work/info.txt" | sed 's/^ Version: /zelto-cli /')" ] ||
  fail "installed zelto-cli --version says '$installed'"
[ "$(env -i PATH=/usr/bin:/bin HOME="$work" "$stage/usr/bin/zelto-cli" "${site[@]}")" = "$expected" ] ||
  fail "installed zelto-cli circumstances differs from the built one"
mv "$hidden" "$build"
hidden=""
echo "check_install: $(wc -l < "$work/installed.txt") files installed and packed in $(basename "$deb"); validators pass; installed zelto-cli runs without the build folder"
