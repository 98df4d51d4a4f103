#!/usr/bin/env bash
# The end-to-end suite's launcher under wine, for CTest (tests/e2e/CMakeLists.txt): each
# Windows build tree (build/i686, build/x64) runs its own driver against its own game in
# its own wine prefix (build/<tree>/e2e-prefix), on a private X display.
#
#   wine.sh TREE BUILD setup DRIVER NAMES   the session: X server, prefix, wineserver;
#                                           then the driver's --list against NAMES
#   wine.sh TREE BUILD case DRIVER GAME CASE   one case, within E2E_CASE_LIMIT seconds
#   wine.sh TREE BUILD cleanup              ends the wineserver (and any game in it) and
#                                           the X server
#
# TREE is i686 (wine32, 32-bit prefix) or x64 (wine64); BUILD the tree's folder. The
# session is recorded in BUILD/e2e-session. A case exits 77 (skipped) where wine is not
# installed or, for i686, where this kernel runs no 32-bit code (scripts/runs32.sh);
# the setup and the clean-up then record that and are skipped too. E2E_WINE_DIR
# (default /usr/lib/wine) is where wine, wine64, wineserver32 and wineserver64 are
# looked for: point it at a missing folder to see the skip.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tree=$1 build=$2 mode=$3
shift 3
session=$build/e2e-session
wine_dir=${E2E_WINE_DIR:-/usr/lib/wine}
case "$tree" in
  i686) wine=$wine_dir/wine wineserver=$wine_dir/wineserver32 arch=win32 ;;
  x64) wine=$wine_dir/wine64 wineserver=$wine_dir/wineserver64 arch=win64 ;;
  *) echo "e2e: unknown tree $tree (i686 or x64)"; exit 2 ;;
esac
export WINEPREFIX=$build/e2e-prefix WINEARCH=$arch WINESERVER=$wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A null audio device: the game's sound stream runs and is written as on a machine with
# a sound card, silently, and the audio library has nothing to complain about.
export ALSA_CONFIG_PATH=$root/tests/e2e/alsa-null.conf

cannot_run() {  # prints why this tree cannot run here; false when it can
  if [ ! -x "$wine" ] || [ ! -x "$wineserver" ]; then
    echo "$wine is not installed (scripts/setup.sh)"
  elif [ "$tree" = i686 ] && ! bash "$root/scripts/runs32.sh"; then
    echo "this kernel runs no 32-bit code"
  else
    return 1
  fi
}
stop_server() {
  timeout 20 "$wineserver" -k 2>/dev/null
  timeout 20 "$wineserver" -w 2>/dev/null
}
start_server() {  # a server that stays up between cases, so each start of a game is quick
  "$wineserver" -p </dev/null >/dev/null 2>&1
}
read_session() {  # DISPLAY, xvfb_pid, owner: what the setup recorded
  # shellcheck disable=SC1090
  [ -f "$session" ] && source "$session"
}

case "$mode" in
  setup)
    driver=$1 names=$2
    rm -f "$session"
    if why=$(cannot_run); then
      echo "e2e ($tree): not run, $why: every case is skipped"
      echo "skip='$why'" >"$session"
      exit 77
    fi
    # One session per tree at a time: the X server holds a lock on the tree, taken here
    # (a session left by a run that ended without its clean-up is ended first).
    lock=$build/e2e.lock
    exec 7>"$lock"
    if ! flock -n 7; then
      read_session
      if [ -n "${owner:-}" ] && ! kill -0 "$owner" 2>/dev/null; then
        echo "e2e ($tree): ending the session of an earlier run"
        stop_server
        [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
      fi
      flock -w 600 7 || { echo "e2e ($tree): another run holds $lock"; exit 1; }
    fi
    mkdir -p "$build/e2e-x"
    # shellcheck source=tests/support/xvfb.sh
    source "$root/tests/support/xvfb.sh"
    start_xvfb "$build/e2e-x" 1280x1024x24 </dev/null >"$build/e2e-x/start.log" 2>&1 ||
      { cat "$build/e2e-x/start.log"; echo "e2e ($tree): could not start the X server"; exit 1; }
    exec 7>&-
    printf 'DISPLAY=%s\nxvfb_pid=%s\nowner=%s\n' "$DISPLAY" "$xvfb_pid" "$PPID" >"$session"
    fail() { echo "e2e ($tree): $*"; stop_server; kill "$xvfb_pid"; rm -f "$session"; exit 1; }
    # The prefix, made once; without a window manager, Managed=N spares a 2 s wait on
    # every top-level window that closes.
    if [ ! -f "$WINEPREFIX/.e2e-ready" ]; then
      echo "e2e ($tree): creating the wine prefix $WINEPREFIX"
      stop_server
      timeout 300 "$wine" wineboot -i </dev/null >/dev/null 2>&1 || fail "wineboot -i failed"
      timeout 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        </dev/null >/dev/null 2>&1 || fail "cannot set Managed=N"
      timeout 60 "$wineserver" -w
      touch "$WINEPREFIX/.e2e-ready"
    fi
    stop_server
    start_server || fail "cannot start the wineserver"
    # Cases that set the screen's density for the games they start (cases_desktop.cpp)
    # remove it when they end; a case cut short in between would leave it to every case.
    timeout 60 "$wine" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f \
      </dev/null >/dev/null 2>&1
    # Every case of the driver must be a test of CTest, and no more.
    timeout 60 "$wine" "$driver" --list </dev/null 2>&1 | tr -d '\r' | sort >"$build/e2e-x/listed"
    if ! diff <(sort "$names") "$build/e2e-x/listed" >"$build/e2e-x/list.diff"; then
      sed 's/^</registered, not in the driver:/; s/^>/in the driver, not registered:/' \
        "$build/e2e-x/list.diff" | grep -v '^[0-9]'
      fail "the cases CTest knows ($names) differ from the driver's --list; reconfigure"
    fi
    echo "e2e ($tree): $(wc -l <"$names") cases, display $DISPLAY, prefix $WINEPREFIX"
    ;;

  case)
    driver=$1 game=$2 name=$3
    read_session || { echo "e2e ($tree): no session (run through ctest, which sets it up)"; exit 1; }
    if [ -n "${skip:-}" ]; then
      echo "e2e ($tree): skipped, $skip"
      exit 77
    fi
    if why=$(cannot_run); then
      echo "e2e ($tree): skipped, $why"
      exit 77
    fi
    export DISPLAY
    limit=${E2E_CASE_LIMIT:-120}
    log=$build/e2e-x/$name.log
    # The driver's output goes to a file, not to CTest's pipe: processes that wine starts
    # for the prefix may outlive the driver and hold what it was given.
    timeout -k 10 "$limit" "$wine" "$driver" "Z:$(sed 's|/|\\|g' <<<"$game")" "$name" \
      </dev/null >"$log" 2>&1
    status=$?
    tr -d '\r' <"$log"
    if [ "$status" = 124 ] || [ "$status" = 137 ]; then
      echo "  FAILED: the case ran longer than $limit s"
      # Whatever it left running goes with the server; the next case gets a new one.
      stop_server
      start_server
      status=1
    fi
    exit "$status"
    ;;

  cleanup)
    read_session || exit 0
    [ -n "${skip:-}" ] && { rm -f "$session"; exit 77; }
    stop_server
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
    rm -f "$session"
    exit 0
    ;;

  *)
    echo "e2e: unknown mode $mode (setup, case or cleanup)"
    exit 2
    ;;
esac
