#!/usr/bin/env bash
# Installs what is missing, builds a release without tests and makes the Debian package of it
# (cpack -G DEB; its Depends come from the shared libraries the programs link). Prints the package.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZELTO_PACKAGE_DIR:-$root/build-package}"

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZELTO_BUILD_TESTS=OFF -DZELTO_BUILD_BENCHMARKS=OFF
cmake --build "$build" -j2
rm -f "$build"/zelto_*.deb
(cd "$build" && cpack -G DEB)
echo "package: $(ls "$build"/zelto_*.deb)"
