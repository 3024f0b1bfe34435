#!/usr/bin/env bash
# Runs one Windows program under Wine for ctest. Now and then Wine fails to start a program at all: it exits at
# once without the program having written a thing. Only such a start is tried again, once; a program that ran
# is never run a second time, whatever it returned. Standard output and error stay apart.
set -u
out="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
  wine "$@" >"$out" 2>"$err"
  status=$?
  if [ "$status" -eq 0 ] || [ -s "$out" ] || [ -s "$err" ] || [ "$attempt" -eq 2 ]; then
    cat "$out"
    cat "$err" >&2
    exit "$status"
  fi
  echo "wine-run: the program did not start (status $status, no output); starting it again" >&2
  sleep 1
done
