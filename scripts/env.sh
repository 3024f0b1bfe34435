# Sourced by the project's scripts: the Wine prefix, the display and the emulated handheld's DLL path.
talv_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# A script that sources this file never ends without a word: a failing command names itself and its place.
set -E
trap 'talv_status=$?; echo "${0##*/}: stopped: \"$BASH_COMMAND\" failed (exit $talv_status) at ${BASH_SOURCE[0]##*/}:$LINENO" >&2' ERR

# Whether the 32-bit Wine (wine32) is missing, and why: setup writes the reason, the scripts read it.
talv_wine32_note="$talv_root/build/wine32-missing.txt"
talv_note_wine32_missing() {
  mkdir -p "$(dirname "$talv_wine32_note")"
  if [ -n "$1" ]; then printf '%s\n' "$1" >"$talv_wine32_note"; else rm -f "$talv_wine32_note"; fi
}
# Prints why 32-bit Windows programs cannot run here; prints nothing (and fails) when they can.
talv_wine32_missing() {
  if [ -f "$talv_wine32_note" ]; then
    cat "$talv_wine32_note"
  elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; then
    echo "wine32:i386 is not installed"
  else
    return 1
  fi
}
# Whether this machine's kernel runs 32-bit x86 programs. Some virtual machines' kernels are built without IA-32
# emulation: wine32 then installs but cannot start ("Exec format error"), and with it installed the `wine`
# command cannot start 64-bit programs either. The probe is the smallest static i386 program: exit(0) through
# int 0x80.
talv_kernel_runs_i386() {
  local probe status=0
  probe="$(mktemp)"
  python3 - "$probe" <<'PROBE'
import struct, sys
code = bytes([0xB8, 1, 0, 0, 0, 0x31, 0xDB, 0xCD, 0x80])  # mov eax, 1; xor ebx, ebx; int 0x80
base, size = 0x08048000, 52 + 32 + len(code)
header = b"\x7fELF\x01\x01\x01" + bytes(9) + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
program = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
open(sys.argv[1], "wb").write(header + program + code)
PROBE
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1 || status=$?
  rm -f "$probe"
  return "$status"
}

export WINEPREFIX="$talv_root/build/wine"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko: the program needs neither, and their installers would ask for the network.
export WINEDLLOVERRIDES="mscoree=;mshtml="

# The Wine installation a prefix was made with: the Wine packages and their versions. A prefix made before
# wine32 came (or by another Wine) cannot start programs ("could not load kernel32.dll"); it is made anew.
talv_wine_installation() {
  { dpkg-query -W -f='${Package}:${Architecture} ${Version}\n' wine wine64 wine32:i386 libwine:amd64 libwine:i386 \
    2>/dev/null || true; } | sort
}

talv_prepare_wine_prefix() {
  local stamp="$WINEPREFIX/.talvenia-prefix"
  local installation
  installation="$(talv_wine_installation)"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$installation" ] && talv_prefix_starts_programs; then
    return 0
  fi
  if [ -d "$WINEPREFIX" ]; then
    if [ ! -f "$stamp" ]; then
      echo "setup: the Wine prefix $WINEPREFIX does not say which Wine made it; making it anew"
    elif [ "$(cat "$stamp")" != "$installation" ]; then
      echo "setup: Wine has changed since $WINEPREFIX was made; making the prefix anew"
    else
      echo "setup: the Wine prefix $WINEPREFIX cannot start programs; making it anew"
    fi
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  echo "setup: creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  command -v wineboot >/dev/null || { echo "setup: Wine is not installed (no wineboot)" >&2; return 1; }
  wineboot -i >/dev/null 2>&1 || true
  # Without a window manager Wine waits 2 s whenever a dialog closes unless its windows are unmanaged.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  # Metric-compatible faces, so dialog layout and wrapping match Windows.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /t REG_SZ /d 'Liberation Mono' /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /t REG_SZ /d 'Liberation Serif' /f >/dev/null 2>&1
  talv_install_wine_fonts
  wineserver -w
  if ! talv_prefix_starts_programs; then
    if talv_wine32_missing >/dev/null; then
      echo "setup: the new Wine prefix $WINEPREFIX cannot start 64-bit programs" >&2
    else
      echo "setup: the new Wine prefix $WINEPREFIX cannot start 64-bit and 32-bit programs" >&2
    fi
    return 1
  fi
  printf '%s\n' "$installation" > "$stamp"
}

# Whether the prefix starts a 64-bit program, and a 32-bit one where wine32 is there.
talv_prefix_starts_programs() {
  [ -f "$WINEPREFIX/system.reg" ] || return 1
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || return 1
  talv_wine32_missing >/dev/null && return 0
  wine 'C:\windows\syswow64\cmd.exe' /c exit </dev/null >/dev/null 2>&1
}

# Wine's own fonts (fonts-wine) into the prefix's font folder: the title bar's buttons are Marlett glyphs, and
# without the font the close box shows as the letter "r".
talv_install_wine_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  local font
  for font in /usr/share/wine/fonts/*.ttf; do
    [ -e "$font" ] && cp -f "$font" "$fonts/"
  done
  return 0
}

# Starts Xvfb when no display is set; talv_stop_display stops only what this started.
talv_started_xvfb=""
talv_start_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  talv_started_xvfb=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on $DISPLAY (is xvfb installed? try: Xvfb $DISPLAY)" >&2
  return 1
}

talv_stop_display() {
  if [ -n "$talv_started_xvfb" ]; then
    kill "$talv_started_xvfb" 2>/dev/null || true
    wait "$talv_started_xvfb" 2>/dev/null || true
    talv_started_xvfb=""
    unset DISPLAY
  fi
}

# A persistent wine server saves its start-up for every test program; stopped again at the end. The first
# program of a session starts Wine's background services, which keep the output handles they inherit: start
# them here, detached from every pipe, or a caller that reads a test's output would wait for them forever.
talv_start_wineserver() {
  wineserver -p >/dev/null 2>&1 || true
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}
talv_stop_wineserver() { wineserver -k >/dev/null 2>&1 || true; }

# Starts the Windows test preset given in the background: in a Wine prefix of its own (the project's for the
# first preset, a copy for any later one, so each run has its own wine server and session) and, when no
# display is set, on a virtual display of its own. talv_wait_windows_suites prints each run's output.
talv_suite_pids=()
talv_suite_presets=()
talv_suite_xvfbs=()
talv_start_windows_suite() {
  local preset="$1" prefix="$WINEPREFIX" display="${DISPLAY:-}"
  if [ "${#talv_suite_pids[@]}" -gt 0 ]; then
    prefix="$WINEPREFIX-$preset"
    talv_clone_wine_prefix "$WINEPREFIX" "$prefix"
  fi
  if [ -z "${DISPLAY:-}" ]; then
    talv_start_xvfb || return 1
    display="$talv_xvfb_display"
  fi
  local log="$talv_root/build/test-$preset.log"
  (
    export WINEPREFIX="$prefix" DISPLAY="$display"
    talv_start_wineserver
    status=0
    ctest --preset "$preset" >"$log" 2>&1 || status=$?
    talv_stop_wineserver
    exit "$status"
  ) &
  talv_suite_pids+=("$!")
  talv_suite_presets+=("$preset")
}

# Waits for every run started, prints its output, and fails when any run failed.
talv_wait_windows_suites() {
  local i failed=0
  for i in "${!talv_suite_pids[@]}"; do
    local status=0
    wait "${talv_suite_pids[$i]}" || status=$?
    echo "-- ${talv_suite_presets[$i]}: exit $status"
    cat "$talv_root/build/test-${talv_suite_presets[$i]}.log"
    [ "$status" -eq 0 ] || failed=1
  done
  talv_suite_pids=()
  talv_suite_presets=()
  talv_stop_windows_suites
  return "$failed"
}

# Starts an Xvfb on the first free display number, named in talv_xvfb_display; talv_stop_windows_suites ends it.
talv_xvfb_display=""
talv_start_xvfb() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  talv_suite_xvfbs+=("$!")
  for _ in $(seq 1 100); do
    if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
      talv_xvfb_display=":$n"
      return 0
    fi
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
  return 1
}

# Ends suites still running (an interrupted test run) and the displays started for them.
talv_stop_windows_suites() {
  local pid
  for pid in "${talv_suite_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${talv_suite_xvfbs[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  talv_suite_pids=()
  talv_suite_xvfbs=()
}

# A copy of a prepared prefix, made again whenever the source's stamp changes.
talv_clone_wine_prefix() {
  local source="$1" copy="$2"
  if [ -f "$copy/.talvenia-prefix" ] && cmp -s "$source/.talvenia-prefix" "$copy/.talvenia-prefix"; then return 0; fi
  rm -rf "$copy"
  cp -a "$source" "$copy"
}
