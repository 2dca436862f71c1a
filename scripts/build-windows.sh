#!/usr/bin/env bash
# The core, zelto-cli and the core's tests for 64-bit Windows, cross-compiled with mingw-w64 (no Qt:
# the windows need Qt for Windows, which Debian does not carry), then checked under wine64:
#   - the core's tests (zelto_tests.exe), the EDSDK backend's against the stand-in EDSDK.dll;
#   - zelto-cli.exe circumstances prints what the Linux build prints, byte for byte;
#   - zelto-cli.exe run --camera edsdk --fast through the stand-in EDSDK.dll takes every picture of
#     the eclipse-51 table.
# Installs what is missing (Debian packages). Folders: ZELTO_WINDOWS_BUILD_DIR (default
# build-windows/) and the Linux build ZELTO_BUILD_DIR (default build/), whose zelto-cli is built
# when missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZELTO_WINDOWS_BUILD_DIR:-$root/build-windows}"
linux_build="${ZELTO_BUILD_DIR:-$root/build}"

packages=(g++-mingw-w64-x86-64-posix wine64 googletest cmake)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "build-windows: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs="${ZELTO_JOBS:-1}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DZELTO_WITH_QT=OFF -DZELTO_WITH_GPHOTO2=OFF -DZELTO_WITH_GPSD=OFF -DZELTO_BUILD_BENCHMARKS=OFF \
  -DZELTO_GTEST_SOURCE=/usr/src/googletest
cmake --build "$build" -j"$jobs" --target zelto-cli zelto_tests zelto_edsdk_standin

if [ ! -x "$linux_build/app/zelto-cli" ]; then
  cmake -S "$root" -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$linux_build" -j"$jobs" --target zelto-cli
fi

# wine in a prefix of its own, beside the build, with a home whose folders the checks may fill.
export WINEPREFIX="$build/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer dialogs
wine=wine64
command -v "$wine" >/dev/null || wine=/usr/lib/wine/wine64
cli="$build/app/zelto-cli.exe"
standin="$build/tests/camera/EDSDK.dll"
# A path of this computer as the Windows programs see it: wine's drive Z: is the root folder.
windows_path() { local path="$1"; echo "Z:${path//\//\\}"; }
failed=0
check() {  # NAME: prints the outcome of the last command
  if [ "$1" -eq 0 ]; then echo "build-windows: $2: passed"; else echo "build-windows: $2: FAILED"; failed=1; fi
}

echo "build-windows: the core's tests under wine"
set +e
"$wine" "$build/tests/zelto_tests.exe" --gtest_brief=1 ${ZELTO_WINDOWS_TEST_FILTER:+--gtest_filter="$ZELTO_WINDOWS_TEST_FILTER"}
check $? "core tests"

# The text of the circumstances at a total, an annular, a partial and a missed eclipse, and a site
# with its height and a manual DeltaT: the same bytes as the Linux build's.
out="$build/checks"
mkdir -p "$out"
same=0
for site in "--eclipse 51 --lat 32.78 --lon -96.80" "--eclipse 50 --lat 29.5 --lon -98.5 --height 300" \
            "--eclipse 51 --lat 40.7 --lon -74.0" "--eclipse 51 --lat 48.85 --lon 2.35" \
            "--eclipse 51 --lat 25:17.4N --lon 104:08.3W --height 1500 --deltat 70"; do
  # shellcheck disable=SC2086
  "$linux_build/app/zelto-cli" circumstances $site >"$out/linux.txt" 2>&1
  # shellcheck disable=SC2086
  "$wine" "$cli" circumstances $site >"$out/windows.txt" 2>&1
  if cmp -s "$out/linux.txt" "$out/windows.txt"; then
    echo "build-windows: circumstances $site: the same $(wc -c <"$out/linux.txt") bytes"
  else
    echo "build-windows: circumstances $site: differs"
    diff "$out/linux.txt" "$out/windows.txt" | head -20
    same=1
  fi
done
check $same "circumstances byte for byte"

# --json prints every number to its last digit, where the two systems' mathematical libraries may
# differ by a unit in the last place: said, not failed.
site="--eclipse 51 --lat 25.29 --lon -104.14 --json"
# shellcheck disable=SC2086
"$linux_build/app/zelto-cli" circumstances $site >"$out/linux.json"
# shellcheck disable=SC2086
"$wine" "$cli" circumstances $site >"$out/windows.json"
python3 - "$out/linux.json" "$out/windows.json" <<'PY'
import json, sys
def numbers(value):
    if isinstance(value, dict):
        for v in value.values(): yield from numbers(v)
    elif isinstance(value, list):
        for v in value: yield from numbers(v)
    elif isinstance(value, (int, float)) and not isinstance(value, bool):
        yield value
linux, windows = (json.load(open(f)) for f in sys.argv[1:3])
pairs = list(zip(numbers(linux), numbers(windows)))
differ = [(a, b) for a, b in pairs if a != b]
worst = max((abs(a - b) / max(abs(a), 1e-300) for a, b in differ), default=0)
text = "the same bytes" if open(sys.argv[1], "rb").read() == open(sys.argv[2], "rb").read() else \
    f"{len(differ)} of {len(pairs)} numbers differ, by at most {worst:.1e} of their value"
print(f"build-windows: circumstances --json: {text}")
PY

# The eclipse-51 table through the stand-in EDSDK.dll: the run must go to plan, and say what the Linux
# build's run through its own stand-in (libEDSDK.so) says, line for line.
cmake --build "$linux_build" -j"$jobs" --target zelto_edsdk_standin >/dev/null
"$linux_build/app/zelto-cli" table --eclipse 51 --lat 32.78 --lon -96.80 -o "$out/eclipse51.txt"
ZELTO_EDSDK_PATH="$linux_build/tests/camera/libEDSDK.so" \
  "$linux_build/app/zelto-cli" run "$out/eclipse51.txt" --camera edsdk --fast --force >"$out/run-linux.txt" 2>&1
ZELTO_EDSDK_PATH="$(windows_path "$standin")" "$wine" "$cli" run "$(windows_path "$out/eclipse51.txt")" \
  --camera edsdk --fast --force >"$out/run.txt" 2>&1
status=$?
tail -n 4 "$out/run.txt"
if [ $status -eq 0 ] && grep -q "failed 0," "$out/run.txt" && grep -q "^pictures lost 0 " "$out/run.txt" &&
   cmp -s "$out/run-linux.txt" "$out/run.txt"; then
  echo "build-windows: the run's $(wc -l <"$out/run.txt") lines are the Linux build's"
  status=0
else
  diff "$out/run-linux.txt" "$out/run.txt" | head -10
  status=1
fi
check $status "run --camera edsdk --fast of the eclipse-51 table"
set -e
exit $failed
