#!/usr/bin/env bash
# Installs what is missing, builds a release and starts the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZELTO_RELEASE_DIR:-$root/build-release}"

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZELTO_BUILD_TESTS=OFF -DZELTO_BUILD_BENCHMARKS=OFF
cmake --build "$build" -j2
if [ -x "$build/app/zelto" ]; then
  exec "$build/app/zelto" "$@"
fi
exec "$build/app/zelto-cli" "${@:---help}"
