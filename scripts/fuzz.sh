#!/usr/bin/env bash
# Runs every libFuzzer target of the native build for a few seconds each, from its corpus of starting inputs.
# Usage: scripts/fuzz.sh [seconds per target]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-10}"
shopt -s nullglob
targets=("$root"/build/native/fuzz/fuzz_*)
for t in "${targets[@]}"; do
  [ -x "$t" ] || continue
  name="$(basename "$t")"
  seeds="$root/tests/fuzz/corpus/${name#fuzz_}"
  work="$(mktemp -d)"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/
  echo "fuzz: $name for ${seconds}s"
  "$t" -max_total_time="$seconds" -print_final_stats=0 "$work" 2>"$work.log" || { tail -40 "$work.log"; exit 1; }
  rm -rf "$work" "$work.log"
done
