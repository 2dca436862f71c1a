#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang's libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) into a folder of their own and runs each for SECONDS (default 30),
# starting from its seed corpus. Fails on any crash, hang, undefined behaviour or broken promise of a
# reader; the input that did it is kept in <build>/runs/crashes/. ZELTO_FUZZ_BUILD_DIR chooses the
# folder (default build-fuzz in the tree); the inputs each run finds are kept in <build>/runs/NAME/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi
build="${ZELTO_FUZZ_BUILD_DIR:-$root/build-fuzz}"

"$root/scripts/setup.sh"
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is not installed (scripts/setup.sh installs clang)" >&2
  exit 2
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DZELTO_FUZZ=ON -DZELTO_WITH_GPHOTO2=OFF >/dev/null
cmake --build "$build" -j2

runs="$build/runs"
mkdir -p "$runs/crashes"
failed=0
for program in "$build"/tests/fuzz/fuzz_*; do
  name="${program##*/fuzz_}"
  mkdir -p "$runs/$name"
  log="$runs/$name.log"
  status=ok
  if ! "$program" "$runs/$name" "$root/tests/fuzz/corpus/$name" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$runs/crashes/$name-" >"$log" 2>&1; then
    status=FAILED
    failed=1
  fi
  inputs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  printf 'fuzz: %-15s %-6s %s inputs in %s s\n' "$name" "$status" "${inputs:-?}" "$seconds"
  if [ "$status" = FAILED ]; then tail -n 40 "$log"; fi
done
exit "$failed"
