#!/usr/bin/env bash
# Builds everything and runs every test: the portable code natively (sanitizers, short fuzz runs), the
# Windows programs under Wine (a virtual display is started when none is set). Exit status 0 = all passed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
source scripts/env.sh
jobs="$(nproc)"

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

echo "== i686 Windows build (compile only)"
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686 -j "$jobs"

echo "== x86_64 Windows build and tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
trap 'talv_stop_wineserver; talv_stop_display' EXIT
talv_start_display
talv_start_wineserver
ctest --preset windows
