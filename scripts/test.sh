#!/usr/bin/env bash
# Builds everything and runs every test: the Windows programs of both architectures under Wine, and the
# portable code natively (clang and g++, sanitizers, short fuzz runs). Each Windows suite runs in the background,
# in a Wine prefix and on a virtual display of its own (a display is started when none is set), while the next
# builds go on: the suites spend most of their time waiting for the wizard. Exit status 0 = all passed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
source scripts/env.sh
jobs="$(nproc)"
start=$SECONDS
trap 'talv_stop_windows_suites' EXIT

echo "== layout of the sources (clang-format)"
bash scripts/check_format.sh
skipped_32=""
if reason="$(talv_wine32_missing)"; then skipped_32="$reason"; fi

for preset in windows windows-i686; do
  echo "== $preset build; its tests then start under Wine ($((SECONDS - start)) s)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if [ "$preset" = windows-i686 ] && [ -n "$skipped_32" ]; then
    # The checks that only read the built files still run: whether the 32-bit product loads on Windows XP.
    echo "== $preset tests run only where they need no Wine: $skipped_32"
    ctest --preset "$preset" -L no_wine
    continue
  fi
  talv_start_windows_suite "$preset"
done

echo "== native build and tests with clang ($((SECONDS - start)) s)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

echo "== short fuzz runs ($((SECONDS - start)) s)"
bash scripts/fuzz.sh 10

echo "== native build and tests with g++ ($((SECONDS - start)) s)"
cmake --preset native-gcc >/dev/null
cmake --build --preset native-gcc -j "$jobs"
ctest --preset native-gcc -j "$jobs"

echo "== waiting for the Windows tests ($((SECONDS - start)) s)"
talv_wait_windows_suites
echo "== all tests passed ($((SECONDS - start)) s after set-up)"
if [ -n "$skipped_32" ]; then
  echo "The 32-bit Windows suite (windows-i686) was built; only its checks that need no Wine ran: $skipped_32."
fi
