#!/usr/bin/env bash
# The main job: builds the installer, makes a sample package, prepares an emulated handheld and runs the
# wizard against it. With a display set, the wizard opens for you to use; without one, it runs under a
# virtual display, scripted through every step, and saves one screenshot per step under build/demo/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
source scripts/env.sh
jobs="$(nproc)"

echo "== building"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" --target TalveniaInstaller talv_rapi_emulator talvpkg talv_demo_driver

demo="$root/build/demo"
release="$demo/release"
device="$demo/device"
rm -rf "$release" "$device" "$demo/screenshots"
mkdir -p "$release"

echo "== sample package (product Talvenia, free-standing)"
bash scripts/make_sample_source.sh "$demo/sample"
trap 'talv_stop_wineserver; talv_stop_display' EXIT
talv_start_display
talv_start_wineserver
wine build/windows/bin/talvpkg.exe build --product talvenia -o "$(winepath -w "$release/Talvenia2016_full.pkg")" \
     "$(winepath -w "$demo/sample")"
wine build/windows/bin/talvpkg.exe list "$(winepath -w "$release/Talvenia2016_full.pkg")"
cp build/windows/bin/TalveniaInstaller.exe "$release/"

# The emulated handheld: created with its defaults (docked, ARM, ROMDisk, ROMDisk2, Storage Card) on first use.
export RAPI_EMULATOR_DEVICE="$device"
export WINEPATH="$(winepath -w "$root/build/windows/emulator")"

if [ -z "$talv_started_xvfb" ]; then
  echo "== the wizard is open on $DISPLAY (device folder: $device)"
  wine "$release/TalveniaInstaller.exe"
else
  echo "== scripted run under a virtual display"
  wine build/windows/tests/demo/demo_driver.exe "$(winepath -w "$release/TalveniaInstaller.exe")" \
       "$(winepath -w "$demo/screenshots")"
  echo "Screenshots: $demo/screenshots"
fi

echo "== the handheld after the installation ($device/root)"
(cd "$device/root" && find . -type f | sort | sed 's|^\./|\\|; s|/|\\|g')
echo "== processes started on the handheld ($device/processes.log)"
cat "$device/processes.log" 2>/dev/null || echo "(none)"
