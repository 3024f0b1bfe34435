#!/usr/bin/env bash
# Builds everything and runs every test: the portable code natively (clang and g++, sanitizers, short fuzz
# runs), then the Windows programs of both architectures under Wine, x86_64 and i686 side by side, each in a
# Wine prefix and on a virtual display of its own (a display is started when none is set). Exit status 0 = all
# passed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
source scripts/env.sh
jobs="$(nproc)"
start=$SECONDS

echo "== native build and tests with clang"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

echo "== native build and tests with g++"
cmake --preset native-gcc >/dev/null
cmake --build --preset native-gcc -j "$jobs"
ctest --preset native-gcc -j "$jobs"

echo "== short fuzz runs"
bash scripts/fuzz.sh 10

for preset in windows windows-i686; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== Windows tests under Wine: x86_64 and i686 side by side"
trap 'talv_stop_windows_suites' EXIT
talv_run_windows_suites windows windows-i686
echo "== all tests passed ($((SECONDS - start)) s after set-up)"
