#!/usr/bin/env bash
# Builds everything and runs every test: the portable code natively (clang and g++, sanitizers, short fuzz
# runs) and the Windows programs of both architectures under Wine. Each Windows suite runs in the background,
# in a Wine prefix and on a virtual display of its own (a display is started when none is set), while the
# next build goes on: the suites spend most of their time waiting for the wizard. Exit status 0 = all passed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
source scripts/env.sh
jobs="$(nproc)"
start=$SECONDS
trap 'talv_stop_windows_suites' EXIT

echo "== native build and tests with clang"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

echo "== short fuzz runs"
bash scripts/fuzz.sh 10

echo "== x86_64 Windows build; its tests start under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
talv_start_windows_suite windows

echo "== native build and tests with g++"
cmake --preset native-gcc >/dev/null
cmake --build --preset native-gcc -j "$jobs"
ctest --preset native-gcc -j "$jobs"

echo "== i686 Windows build; its tests start under Wine"
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686 -j "$jobs"
talv_start_windows_suite windows-i686

echo "== waiting for the Windows tests"
talv_wait_windows_suites
echo "== all tests passed ($((SECONDS - start)) s after set-up)"
