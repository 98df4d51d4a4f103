#!/usr/bin/env bash
# Tests how scripts/run-game.sh shares the game's window with the desktop
# (scripts/window-manager.sh), on a private X server in a wine prefix of its own:
#
#   - on a bare X server, with no window manager, wine manages the window itself
#     (Managed=N): the game's window is one wine handles alone (override-redirect);
#   - with a window manager (a small one from Debian), a prefix that holds Managed=N
#     from before is put right, and the game's window is among the manager's;
#   - a window manager that died leaves its mark on the root window, which counts as
#     none: Managed=N again.
#
# Usage: tests/desktop/window_manager_test.sh   (after scripts/build.sh x64)
# Ends with "window manager: N passed, N failed"; exits non-zero on any failure.
# Everything it starts (X server, window manager, the prefix's wineserver) is ended by
# its id; the prefix is kept in build/ for the next run.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
game=$root/build/x64/win32/zirirar.exe
export WINEPREFIX=$root/build/window-manager-prefix WINEARCH=win64 WINESERVER=$wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export ALSA_CONFIG_PATH=$root/tests/e2e/alsa-null.conf  # quiet, as in the e2e suite
key='HKCU\Software\Wine\X11 Driver'

# shellcheck source=tests/support/checks.sh
source tests/support/checks.sh
# shellcheck source=tests/support/xvfb.sh
source tests/support/xvfb.sh

work=$(mktemp -d)
manager_pid=""
game_pid=""
cleanup() {
  local pid
  for pid in $game_pid $manager_pid; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  timeout 20 "$wineserver" -k 2>/dev/null
  timeout 20 "$wineserver" -w 2>/dev/null
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

for tool in Xvfb xprop xwininfo matchbox-window-manager "$wine"; do
  command -v "$tool" >/dev/null ||
    { echo "FAIL $tool is not installed (scripts/setup.sh)"; failed=1; finish "window manager"; }
done
[ -f "$game" ] ||
  { echo "FAIL build build/x64 first (scripts/build.sh x64)"; failed=1; finish "window manager"; }

# A private X server that keeps its state when its last client leaves (-noreset), as a
# desktop's does, so that a dead manager's mark stays on the root window.
start_xvfb "$work" 1024x768x24 -noreset || { echo "FAIL the X server"; failed=1; finish "window manager"; }

if [ ! -f "$WINEPREFIX/.ready" ]; then
  timeout 300 "$wine" wineboot -i >/dev/null 2>&1 ||
    { echo "FAIL wineboot -i"; failed=1; finish "window manager"; }
  touch "$WINEPREFIX/.ready"
fi
"$wineserver" -p

managed_value() {  # prints N, another value, or "absent"
  local line
  line=$("$wine" reg query "$key" /v Managed 2>/dev/null | tr -d '\r' | grep -E '^ +Managed ')
  [ -n "$line" ] && awk '{print $3}' <<<"$line" || echo absent
}
managed_is() { [ "$(managed_value)" = "$1" ]; }

# Starts the game; `window` gets the X window of its main window once it is mapped
# (empty if it is not within 15 s).
start_game() {
  "$wine" "$game" >/dev/null 2>&1 &
  game_pid=$!
  window=""
  for _ in $(seq 1 150); do
    window=$(xwininfo -root -tree 2>/dev/null |
      sed -n 's/^ *\(0x[0-9a-f]*\) "Zirirar Aduzo": .*/\1/p' | head -n 1)
    [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable' &&
      return
    sleep 0.1
  done
  window=""
}
stop_game() {
  "$wineserver" -k 2>/dev/null
  wait "$game_pid" 2>/dev/null
  game_pid=""
  "$wineserver" -w 2>/dev/null
  "$wineserver" -p
}
override_redirect() { xwininfo -id "$1" | grep -q 'Override Redirect State: yes'; }
managed_by_manager() {
  [ -n "$1" ] && ! override_redirect "$1" &&
    xprop -root _NET_CLIENT_LIST | grep -qi "$(printf '0x%x' "$1")"
}
detects_manager() { bash scripts/window-manager.sh --detect; }

# A bare X server: nothing manages windows, so wine does.
"$wine" reg delete "$key" /v Managed /f >/dev/null 2>&1
check "bare X server: no window manager detected" eval '! detects_manager'
bash scripts/window-manager.sh "$wine" >"$work/out" 2>&1
check "bare X server: the prefix gets Managed=N" managed_is N
start_game
check "bare X server: the game's window is wine's own (override-redirect)" \
  eval '[ -n "$window" ] && override_redirect "$window"'
stop_game

# A window manager starts; the prefix still holds Managed=N from before.
matchbox-window-manager >"$work/manager.log" 2>&1 &
manager_pid=$!
for _ in $(seq 1 100); do
  detects_manager && break
  sleep 0.05
done
check "window manager: detected" detects_manager
check "window manager: the prefix holds Managed=N from before" managed_is N
bash scripts/window-manager.sh "$wine" >"$work/out" 2>&1
check "window manager: Managed=N is removed" managed_is absent
start_game
check "window manager: the game's window is among the manager's" managed_by_manager "$window"
stop_game
bash scripts/window-manager.sh "$wine" >"$work/out" 2>&1
check "window manager: a second start leaves it so" managed_is absent

# The manager dies without cleaning up: its mark stays on the root window.
{
  kill -KILL "$manager_pid"
  wait "$manager_pid"
} 2>/dev/null
manager_pid=""
check "dead window manager: its mark is left on the root window" \
  eval 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id #"'
check "dead window manager: none detected" eval '! detects_manager'
bash scripts/window-manager.sh "$wine" >"$work/out" 2>&1
check "dead window manager: the prefix gets Managed=N" managed_is N

finish "window manager"
