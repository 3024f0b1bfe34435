#!/usr/bin/env bash
# Measures the package tool on packages of growing size: time and peak resident memory of build and verify.
# Streaming means the memory column stays flat while the size grows. Needs the native build (scripts/test.sh).
# Usage: scripts/bench.sh [sizes in MB, default "10 100 300"]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
tool="$root/build/native/bin/talvpkg"
[ -x "$tool" ] || { echo "bench: build the native preset first ($tool is missing)" >&2; exit 1; }
sizes="${1:-10 100 300}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf '%-8s %-8s %10s %14s\n' "size MB" command seconds "peak RSS KB"
for mb in $sizes; do
  mkdir -p "$work/src$mb/PRG"
  head -c $((mb * 1024 * 1024)) /dev/urandom > "$work/src$mb/PRG/data.bin"
  for step in build verify; do
    if [ "$step" = build ]; then
      args=(build --product talvenia -o "$work/p$mb.pkg" "$work/src$mb")
    else
      args=(verify "$work/p$mb.pkg")
    fi
    /usr/bin/time -f "%e %M" -o "$work/time" "$tool" "${args[@]}" >/dev/null
    read -r seconds rss < "$work/time"
    printf '%-8s %-8s %10s %14s\n' "$mb" "$step" "$seconds" "$rss"
  done
  rm -rf "$work/src$mb" "$work/p$mb.pkg"
done
