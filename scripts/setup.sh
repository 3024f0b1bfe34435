#!/usr/bin/env bash
# Installs what the project needs from Debian's packages (when missing) and prepares the project's own
# Wine prefix. Safe to run again: it only does what is not done yet.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

# 32-bit Windows programs (the i686 build, which PCs with a 32-bit RAPI.dll run) need Debian's wine32, which
# comes from the i386 architecture.
updated=""
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture for wine32"
  $sudo_cmd dpkg --add-architecture i386
  $sudo_cmd apt-get update -q
  updated=1
fi

packages=(
  cmake make python3 g++ zip
  clang libclang-rt-14-dev zlib1g-dev googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
  wine wine64 wine32:i386 fonts-wine xvfb x11-utils fonts-liberation
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  [ -n "$updated" ] || $sudo_cmd apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q "${missing[@]}"
fi

# shellcheck source=env.sh
source "$root/scripts/env.sh"
talv_prepare_wine_prefix
