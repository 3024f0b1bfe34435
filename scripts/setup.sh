#!/usr/bin/env bash
# Installs what the project needs from Debian's packages (when missing) and prepares the project's own
# Wine prefix. Safe to run again: it only does what is not done yet.
#
# The registry can be out of step (an index whose size does not match its release file), so refreshing the
# indexes is best effort; the install step then decides what can be had. Everything the 64-bit builds and
# tests need is required: setup stops, naming the package and apt's reason, when one cannot be installed.
# wine32 (32-bit Windows programs: the i686 build's tests and demo) is wanted, not required: without it setup
# says why in one line and goes on; scripts/test.sh then skips the 32-bit Windows suite and says so.
# TALV_SETUP_NO_WINE32=1 makes setup treat wine32 as not installable (to test that road on any machine).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

# shellcheck source=env.sh
source "$root/scripts/env.sh"

required=(
  cmake make python3 g++ zip
  clang clang-format libclang-rt-14-dev zlib1g-dev googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
  libz-mingw-w64-dev
  gcc-arm-none-eabi libunicorn-dev llvm
  wine wine64 fonts-wine xvfb x11-utils fonts-liberation
  osslsigncode openssl
)

is_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

updated=""
refresh_indexes() {
  [ -z "$updated" ] || return 0
  updated=1
  local attempt log
  log="$(mktemp)"
  for attempt in 1 2 3; do
    if $sudo_cmd apt-get update -q >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    [ "$attempt" -eq 3 ] || sleep 2
  done
  echo "setup: some package indexes could not be fetched, going on with those that arrived:" \
    "$(grep -m1 '^E:' "$log" || tail -n1 "$log")"
  rm -f "$log"
}

# apt's own words on why a package cannot be installed: the first lines of a simulated install that say so.
apt_reason() {
  { LC_ALL=C apt-get install -s -q "$1" 2>&1 || true; } | grep -E '^ .*(Depends|PreDepends):|^E:' | head -n 2 |
    sed 's/^ *//' | paste -sd ';' - | sed 's/;/; /g' || true
}

missing=()
for p in "${required[@]}"; do is_installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  refresh_indexes
  echo "setup: installing ${missing[*]}"
  if ! DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q "${missing[@]}"; then
    for p in "${missing[@]}"; do
      is_installed "$p" || DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q "$p" >/dev/null 2>&1 ||
        { echo "setup: cannot install $p, which the build needs: $(apt_reason "$p")" >&2; exit 1; }
    done
  fi
fi

# wine32 comes from the i386 architecture.
if [ "${TALV_SETUP_NO_WINE32:-}" = 1 ]; then
  talv_note_wine32_missing "TALV_SETUP_NO_WINE32=1 makes setup treat wine32 as not installable"
elif ! talv_kernel_runs_i386; then
  talv_note_wine32_missing "this machine's kernel cannot run 32-bit x86 programs"
  if is_installed wine32:i386; then
    echo "setup: removing wine32:i386: this kernel cannot run it, and with it installed Wine starts no program"
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get remove -y -q wine32:i386 >/dev/null 2>&1 ||
      { echo "setup: cannot remove wine32:i386, which keeps Wine from starting programs here" >&2; exit 1; }
  fi
  echo "setup: $(talv_wine32_missing); the 32-bit Windows programs are built but not run"
elif is_installed wine32:i386; then
  talv_note_wine32_missing ""
else
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding the i386 architecture for wine32"
    $sudo_cmd dpkg --add-architecture i386
    updated=""
  fi
  refresh_indexes
  echo "setup: installing wine32:i386"
  if DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q wine32:i386 >/dev/null 2>&1; then
    talv_note_wine32_missing ""
  else
    reason="$(apt_reason wine32:i386)"
    talv_note_wine32_missing "wine32:i386 cannot be installed (${reason:-apt gave no reason})"
    echo "setup: $(talv_wine32_missing); the 32-bit Windows programs are built but not run"
  fi
fi

talv_prepare_wine_prefix
