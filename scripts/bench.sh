#!/usr/bin/env bash
# Measures the installer against reference programs, side by side in one run, and prints one table (also written
# to build/bench/results.md). Every row is a ratio: the installer against a small program built with the same
# toolchain and run under Wine too, doing the least the same work can take. Not part of the tests.
# Usage: scripts/bench.sh [GROUPS]   (startup,throughput,scale,memory,ui,link,talvpkg,agent; default: all of them)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
echo "bench: this takes about 10 minutes on a 2-core machine; keep the machine otherwise idle"
bash scripts/setup.sh
source scripts/env.sh
jobs="$(nproc)"

echo "== building"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" --target TalveniaInstaller talv_rapi_emulator talvpkg bench_driver bench_reference \
  bench_agent talv_device_agent_wince

out="$root/build/bench"
work="$out/work"
rm -rf "$work"
mkdir -p "$work"
results="$out/results.md"
trap 'rm -rf "$work"; talv_stop_wineserver; talv_stop_display' EXIT
talv_start_display
talv_start_wineserver
export WINEPATH="$(winepath -w "$root/build/windows/emulator")"
win() { winepath -w "$1"; }

# The sample package of the main job, for the row over the emulated USB link.
bash scripts/make_sample_source.sh "$work/sample"
wine build/windows/bin/talvpkg.exe build --product talvenia -o "$(win "$work/Talvenia2016_full.pkg")" \
     "$(win "$work/sample")" >/dev/null

{
  echo "# Benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(wine --version)"
  echo
} > "$results"

echo "== the installer against its references"
status=0
wine build/windows/bench/bench_driver.exe "$(win build/windows/bin/TalveniaInstaller.exe)" \
     "$(win build/windows/bench/bench_reference.exe)" "$(win "$work/driver")" "$(win "$work/Talvenia2016_full.pkg")" \
     ${1:+"$1"} | tr -d '\r' | tee -a "$results" || status=$?

# The package tool against zlib alone at the same level (9), with the peak memory of each.
echo "== the package tool against zlib"
talvpkg_row() {
  local mb="$1" source="$work/src$mb"
  mkdir -p "$source/PRG"
  head -c $((mb * 1024 * 1024)) /dev/urandom > "$source/PRG/data.bin"
  measure() { /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1; cat "$work/time"; }
  local build verify deflate inflate
  build=$(measure wine build/windows/bin/talvpkg.exe build --product talvenia -o "$(win "$work/p.pkg")" "$(win "$source")")
  verify=$(measure wine build/windows/bin/talvpkg.exe verify "$(win "$work/p.pkg")")
  deflate=$(measure wine build/windows/bench/bench_reference.exe deflate "$(win "$source/PRG/data.bin")" "$(win "$work/z")" 9)
  inflate=$(measure wine build/windows/bench/bench_reference.exe inflate "$(win "$work/z")" "$(win "$work/u")")
  row() {  # label, ours "s KB", reference "s KB"
    read -r s1 m1 <<< "$2"
    read -r s2 m2 <<< "$3"
    awk -v l="$1" -v s1="$s1" -v m1="$m1" -v s2="$s2" -v m2="$m2" 'BEGIN {
      printf "| %s | %.2f s, %.1f MiB peak | %.2f s, %.1f MiB peak | %.2f | - | - |\n", l, s1, m1 / 1024, s2, m2 / 1024, s1 / s2 }'
  }
  row "talvpkg build, $mb MiB of random bytes, vs zlib deflate level 9" "$build" "$deflate"
  row "talvpkg verify, $mb MiB, vs zlib inflate" "$verify" "$inflate"
  rm -rf "$source" "$work/p.pkg" "$work/z" "$work/u"
}
case ",${1:-talvpkg}," in
  *,talvpkg,*) for mb in 64 256; do talvpkg_row "$mb" | tee -a "$results"; done ;;
esac

# The device agent's whole run on the emulated handheld (its ARM CPU emulator) while every core is kept busy, as
# when both Windows suites run: the storage survey waits a fixed 1000 ms for the agent's report.
case ",${1:-agent}," in
  *,agent,*)
    echo "== the device agent on the emulated handheld, every core busy"
    hogs=()
    for _ in $(seq 1 "$jobs"); do
      (while :; do :; done) &
      hogs+=("$!")
    done
    wine build/windows/bench/bench_agent.exe "$(win "$work/agent-device")" \
         "$(win build/windows/device_agent/wince/TalveniaGDFS.exe)" 50 | tr -d '\r' | tee -a "$results" || status=$?
    kill "${hogs[@]}" 2>/dev/null || true
    ;;
esac

echo
echo "Table written to $results"
[ "$status" -eq 0 ] || echo "bench: some targets were not met (rows marked **no**)"
exit "$status"
