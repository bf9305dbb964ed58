# Shared by tools/test and tools/run: installing what is missing, a private
# virtual display, and a private Wine prefix. Source it after setting `root`.

log() { printf '\n== %s\n' "$*"; }

# Installs the Debian packages given (names as apt knows them) that are missing.
install_missing() {
  local need=() p
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
  done
  if ((${#need[@]})); then
    log "installing ${need[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
  fi
}

xvfb_pid=""
wine_started=""
stop_started() {
  if [[ -n "$wine_started" ]]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}

# Starts Xvfb on a free display number and exports DISPLAY.
start_display() {
  local n
  for n in $(seq 90 140); do
    [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
      if [[ -e "/tmp/.X11-unix/X$n" ]]; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  echo "no virtual display could be started" >&2
  return 1
}

# Prepares the build's own Wine prefix and starts its server (needs DISPLAY).
start_wine() {
  export WINEPREFIX="$root/build/win32/wineprefix"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # A server left from before would keep its display and time zone.
  wineserver -k >/dev/null 2>&1 || true
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    log "creating the Wine prefix"
    wineboot -i >/dev/null 2>&1
  fi
  wine_started=1
  # Without a window manager, hiding a window waits ~2 s unless Wine manages none.
  # This also starts the prefix's services with their output away from callers' pipes.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -p 2>/dev/null || true
}

# Sets the display scale of the running prefix (96, 120, 144, 192) and restarts
# its server, which reads it at start.
set_wine_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p 2>/dev/null || true
  # The prefix's services start with the first program: here, with their output away from callers' pipes.
  wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels >/dev/null 2>&1 || true
}
