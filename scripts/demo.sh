#!/usr/bin/env bash
# The main job: builds the installer, makes a sample package (or takes yours), prepares an emulated handheld
# and runs the wizard against it. With a display set, the wizard opens for you to use; without one, it runs
# under a virtual display, scripted through every step, and saves one screenshot per step under build/demo/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

usage() {
  echo "usage: scripts/demo.sh [--arch x86_64|i686] [--package PATH.pkg]" >&2
  echo "  --arch i686      the 32-bit build (the one for PCs whose RAPI.dll is 32-bit); also TALV_ARCH=i686" >&2
  echo "  --package PATH   your package instead of the sample; its file name names the install folder" >&2
  exit 2
}
arch="${TALV_ARCH:-x86_64}"
package=""
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) [ $# -ge 2 ] || usage; arch="$2"; shift 2 ;;
    --package) [ $# -ge 2 ] || usage; package="$2"; shift 2 ;;
    -h|--help) usage ;;
    *) usage ;;
  esac
done
case "$arch" in
  x86_64) preset=windows ;;
  i686) preset=windows-i686 ;;
  *) usage ;;
esac
if [ -n "$package" ]; then
  [ -f "$package" ] || { echo "demo: no package at $package" >&2; exit 2; }
  case "$package" in *.pkg) ;; *) echo "demo: a package's name ends in .pkg (the installer looks for *.pkg)" >&2; exit 2 ;; esac
  package="$(cd "$(dirname "$package")" && pwd)/$(basename "$package")"
fi

bash scripts/setup.sh
source scripts/env.sh
if [ "$arch" = i686 ] && reason="$(talv_wine32_missing)"; then
  echo "demo: the 32-bit build cannot run here: $reason" >&2
  exit 1
fi
jobs="$(nproc)"
build="$root/build/$preset"

echo "== building ($arch)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs" --target TalveniaInstaller talv_rapi_emulator talvpkg talv_demo_driver

demo="$root/build/demo"
release="$demo/release"
device="$demo/device"
rm -rf "$release" "$device" "$demo/screenshots"
mkdir -p "$release"

trap 'talv_stop_wineserver; talv_stop_display' EXIT
talv_start_display
talv_start_wineserver
if [ -z "$package" ]; then
  echo "== sample package (product Talvenia, free-standing)"
  bash scripts/make_sample_source.sh "$demo/sample"
  package="$release/Talvenia2016_full.pkg"
  wine "$build/bin/talvpkg.exe" build --product talvenia -o "$(winepath -w "$package")" "$(winepath -w "$demo/sample")"
else
  echo "== your package: $package"
  cp "$package" "$release/"
  package="$release/$(basename "$package")"
fi
wine "$build/bin/talvpkg.exe" list "$(winepath -w "$package")"
cp "$build/bin/TalveniaInstaller.exe" "$release/"

# The emulated handheld: created with its defaults (docked, ARM, ROMDisk, ROMDisk2, Storage Card) on first use.
export RAPI_EMULATOR_DEVICE="$device"
export WINEPATH="$(winepath -w "$build/emulator")"

if [ -z "$talv_started_xvfb" ]; then
  echo "== the wizard is open on $DISPLAY (device folder: $device)"
  wine "$release/TalveniaInstaller.exe"
else
  echo "== scripted run under a virtual display"
  wine "$build/tests/demo/demo_driver.exe" "$(winepath -w "$release/TalveniaInstaller.exe")" \
       "$(winepath -w "$demo/screenshots")"
  echo "Screenshots: $demo/screenshots"
fi

echo "== the handheld after the installation ($device/root)"
(cd "$device/root" && find . -type f | sort | sed 's|^\./|\\|; s|/|\\|g')
echo "== processes started on the handheld ($device/processes.log)"
cat "$device/processes.log" 2>/dev/null || echo "(none)"
