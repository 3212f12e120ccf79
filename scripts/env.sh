# Common environment for Lumeview's scripts. Source it; it starts nothing by itself.
#
#   LUMEVIEW_ROOT   the source tree
#   BUILD           build tree: $LUMEVIEW_BUILD, else build/ under the source tree
#   DEPS_PREFIX     cross-built libraries for the Windows target (libjpeg)
#   WINEPREFIX      Wine prefix; an exported WINEPREFIX wins, else build/wineprefix, the
#                   program's own (scripts/run, scripts/bench). The tests have their own,
#                   build/wineprefix-test (scripts/test, wine-run), so they never touch the
#                   settings of the Lumeview you run, and both can run at once.
#
# Functions: start_xvfb, stop_xvfb, ensure_prefix, start_wineserver, warm_wine, stop_all,
# wine_quiet (a Wine program with its output in the log), wait_for (a bounded wait).

LUMEVIEW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${LUMEVIEW_BUILD:-$LUMEVIEW_ROOT/build}
DEPS_PREFIX=$BUILD/deps/libjpeg
LOG_DIR=$BUILD/logs
LUMEVIEW_WINEPREFIX=$BUILD/wineprefix
LUMEVIEW_TEST_WINEPREFIX=$BUILD/wineprefix-test

WINE_DIR=/usr/lib/wine
WINE=$WINE_DIR/wine64
WINESERVER=$WINE_DIR/wineserver
case ":$PATH:" in
  *":$WINE_DIR:"*) ;;
  *) PATH=$WINE_DIR:$PATH ;;
esac
export PATH
export WINEPREFIX=${WINEPREFIX:-$LUMEVIEW_WINEPREFIX}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko prompts, no menu entries written into the user's desktop.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}

# Set by start_xvfb when it started a display of its own.
LUMEVIEW_XVFB_PID=${LUMEVIEW_XVFB_PID:-}
LUMEVIEW_STARTED_WINE=${LUMEVIEW_STARTED_WINE:-}

lv_log() { printf '[lumeview] %s\n' "$*" >&2; }

# Waits for a condition with a bound: wait_for SECONDS COMMAND...
wait_for() {
  local limit=$1; shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    if ((SECONDS >= deadline)); then return 1; fi
    sleep 0.1
  done
}

# Starts a private Xvfb on a free display number (the server picks it: -displayfd) and
# exports DISPLAY. One 1280x1024x24 monitor; LUMEVIEW_MONITORS=2 gives two of them side by
# side (a 2560x1024 screen split into two RandR monitors, the left one primary), which
# Wine reports as two monitors through Xinerama (UseXRandR=N, see ensure_prefix).
start_xvfb() {
  mkdir -p "$LOG_DIR"
  local monitors=${LUMEVIEW_MONITORS:-1}
  local screen=1280x1024x24
  ((monitors == 2)) && screen=2560x1024x24
  local fdfile
  fdfile=$(mktemp "${TMPDIR:-/tmp}/lumeview-xvfb.XXXXXX")
  Xvfb -displayfd 9 -screen 0 "$screen" -nolisten tcp -noreset \
    9>"$fdfile" </dev/null >"$LOG_DIR/xvfb.log" 2>&1 &
  LUMEVIEW_XVFB_PID=$!
  if ! wait_for 20 grep -q '[0-9]' "$fdfile"; then
    lv_log "Xvfb did not start (see $LOG_DIR/xvfb.log)"
    rm -f "$fdfile"; stop_xvfb; return 1
  fi
  export DISPLAY=:$(tr -dc '0-9' <"$fdfile")
  rm -f "$fdfile"
  if ! wait_for 20 xdpyinfo >/dev/null 2>&1; then
    lv_log "Xvfb on $DISPLAY does not answer"
    stop_xvfb; return 1
  fi
  if ((monitors == 2)); then
    xrandr --setmonitor lumeview-left 1280/339x1024/271+0+0 none >/dev/null &&
      xrandr --setmonitor lumeview-right 1280/339x1024/271+1280+0 screen >/dev/null ||
      { lv_log "cannot split $DISPLAY into two monitors"; stop_xvfb; return 1; }
  fi
  lv_log "Xvfb $screen ($monitors monitor(s)) on DISPLAY=$DISPLAY (pid $LUMEVIEW_XVFB_PID)"
}

stop_xvfb() {
  if [[ -n $LUMEVIEW_XVFB_PID ]]; then
    kill "$LUMEVIEW_XVFB_PID" 2>/dev/null
    wait "$LUMEVIEW_XVFB_PID" 2>/dev/null
    LUMEVIEW_XVFB_PID=
  fi
}

# Runs a Wine program with all its output in the log, so that no process Wine starts
# holds on to the caller's stdout/stderr.
wine_quiet() {
  mkdir -p "$LOG_DIR"
  "$WINE" "$@" </dev/null >>"$LOG_DIR/wine.log" 2>&1
}

# Creates the prefix when missing and sets the X11 driver values that keep Wine quick
# without a window manager (Managed, UseTakeFocus: no 2 s wait on hide/destroy, focus
# comes back) and make it take the monitors from Xinerama, which sees RandR 1.5 monitors
# (UseXRandR: a split virtual screen becomes two monitors; one screen stays one).
ensure_prefix() {
  mkdir -p "$LOG_DIR"
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    lv_log "making Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wine_quiet wineboot -i || { lv_log "wineboot failed (see $LOG_DIR/wine.log)"; return 1; }
    "$WINESERVER" -w
  fi
  if [[ ! -f $WINEPREFIX/.lumeview-x11-v2 ]]; then
    local value
    for value in Managed UseTakeFocus UseXRandR; do
      wine_quiet reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /d N /f ||
        { lv_log "cannot set the X11 driver value $value"; return 1; }
    done
    "$WINESERVER" -w
    touch "$WINEPREFIX/.lumeview-x11-v2"
  fi
}

# Keeps one wineserver alive for the prefix (wineserver -p), output in a log file.
start_wineserver() {
  mkdir -p "$LOG_DIR"
  "$WINESERVER" -p </dev/null >>"$LOG_DIR/wineserver.log" 2>&1
  LUMEVIEW_STARTED_WINE=1
}

# Starts Wine's own long-lived processes (services.exe, winedevice, plugplay, rpcss) from
# here, with output to a log, so that the first test under ctest neither pays for them
# nor starts them while holding ctest's pipes.
warm_wine() {
  wine_quiet cmd /c exit
}

# Ends every Wine process of the prefix and our Xvfb.
stop_all() {
  if [[ -n $LUMEVIEW_STARTED_WINE ]]; then
    "$WINESERVER" -k 2>/dev/null
    LUMEVIEW_STARTED_WINE=
  fi
  stop_xvfb
}
