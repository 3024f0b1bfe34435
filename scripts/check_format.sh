#!/usr/bin/env bash
# Checks that every C and C++ file of the project is laid out as .clang-format says, and names the files that
# are not (clang-format -i FILE lays one out). Exit status 0 = all laid out.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
command -v clang-format >/dev/null || { echo "check_format: clang-format is missing (bash scripts/setup.sh)" >&2; exit 1; }

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # New files too, before they are committed; files deleted from the tree are not there to lay out.
  mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.h' '*.c' '*.cpp' |
    while IFS= read -r f; do [ -f "$f" ] && printf '%s\n' "$f"; done)
else
  mapfile -t files < <(find . -path ./build -prune -o -path ./dist -prune -o -type f \
    \( -name '*.h' -o -name '*.c' -o -name '*.cpp' \) -print | sed 's|^\./||' | sort)
fi
[ ${#files[@]} -gt 0 ] || exit 0

# One run for all files: clang-format names each place that differs as FILE:LINE:COLUMN.
differ="$(clang-format --dry-run --style=file "${files[@]}" 2>&1 |
  sed -n 's/^\(.*\):[0-9][0-9]*:[0-9][0-9]*: \(warning\|error\): .*/\1/p' | sort | uniq -c)" || true
if [ -n "$differ" ]; then
  echo "check_format: not laid out as .clang-format says (places, file); clang-format -i FILE lays it out:" >&2
  echo "$differ" >&2
  exit 1
fi
echo "check_format: ${#files[@]} files laid out as .clang-format says"
