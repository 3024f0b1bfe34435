# Sourced by the project's scripts: the Wine prefix, the display and the emulated handheld's DLL path.
talv_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="$talv_root/build/wine"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko: the program needs neither, and their installers would ask for the network.
export WINEDLLOVERRIDES="mscoree=;mshtml="

talv_prepare_wine_prefix() {
  local stamp="$WINEPREFIX/.talvenia-prefix-v1"
  [ -f "$stamp" ] && return 0
  echo "setup: creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  # Without a window manager Wine waits 2 s whenever a dialog closes unless its windows are unmanaged.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  # Metric-compatible faces, so dialog layout and wrapping match Windows.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /t REG_SZ /d 'Liberation Mono' /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /t REG_SZ /d 'Liberation Serif' /f >/dev/null 2>&1
  wineserver -w
  touch "$stamp"
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
  echo "Xvfb did not start on $DISPLAY" >&2
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
