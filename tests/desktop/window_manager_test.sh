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
# Usage: tests/desktop/window_manager_test.sh STEP STATE   (ctest -L desktop, after
# scripts/build.sh x64). The step setup makes the wine prefix, kept in STATE for the next
# run; each check's step plays the scenario below from the start on an X server of its own,
# up to that check, whose result is the script's (the game is started only for the checks
# of its window). Everything it starts (X server, window manager, the prefix's wineserver)
# is ended by its id.
# shellcheck source=tests/static/script_steps.sh
source "$(dirname "$0")/../static/script_steps.sh"

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
game=$root/build/x64/win32/zirirar.exe
export WINEPREFIX=$state/prefix WINEARCH=win64 WINESERVER=$wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export ALSA_CONFIG_PATH=$root/tests/e2e/alsa-null.conf  # quiet, as in the e2e suite
key='HKCU\Software\Wine\X11 Driver'

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
[ "$step" = clean ] && exit  # each check ends what it started; the prefix is kept

# A private X server that keeps its state when its last client leaves (-noreset), as a
# desktop's does, so that a dead manager's mark stays on the root window.
start_xvfb "$work" 1024x768x24 -noreset || exit 1

if [ "$step" = setup ]; then
  for tool in Xvfb xprop xwininfo matchbox-window-manager "$wine"; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/setup.sh)"; exit 1; }
  done
  [ -f "$game" ] || { echo "build build/x64 first (scripts/build.sh x64)"; exit 1; }
  [ -f "$WINEPREFIX/.ready" ] && exit
  mkdir -p "$state" && timeout 300 "$wine" wineboot -i >/dev/null 2>&1 ||
    { echo "wineboot -i failed"; exit 1; }
  touch "$WINEPREFIX/.ready"
  exit
fi
"$wineserver" -p >/dev/null 2>&1

# `check TITLE COMMAND...` is the check of the step of that title: the script ends with its
# result. `game_check` starts the game first.
check() {
  [ "$1" = "$step" ] || return 0
  shift
  "$@"
  exit
}
game_check() {
  [ "$1" = "$step" ] || return 0
  start_game
  check "$@"
}

managed_value() {  # prints N, another value, or "absent"
  "$wine" reg query "$key" /v Managed 2>/dev/null | tr -d '\r' |
    awk '$1 == "Managed" { value = $3 } END { print (value == "" ? "absent" : value) }'
}
managed_is() { [ "$(managed_value)" = "$1" ]; }

# Starts the game; `window` gets the X window of its main window once it is mapped
# (empty if it is not within 15 s).
start_game() {
  "$wine" "$game" >/dev/null 2>&1 &
  game_pid=$!
  wait_until 15 game_window_mapped || window=""
}
game_window_mapped() {
  window=$(xwininfo -root -tree 2>/dev/null |
    sed -n 's/^ *\(0x[0-9a-f]*\) "Zirirar Aduzo": .*/\1/p' | head -n 1)
  [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable'
}
override_redirect() { xwininfo -id "$1" | grep -q 'Override Redirect State: yes'; }
managed_by_manager() {
  [ -n "$1" ] && ! override_redirect "$1" &&
    xprop -root _NET_CLIENT_LIST | grep -qi "$(printf '0x%x' "$1")"
}
detects_manager() { bash scripts/window-manager.sh --detect; }

# A bare X server: nothing manages windows, so wine does.
"$wine" reg delete "$key" /v Managed /f >/dev/null 2>&1
check bare_none_detected eval '! detects_manager'
bash scripts/window-manager.sh "$wine" >"$work/out" 2>&1
check bare_managed_N managed_is N
game_check bare_window_override_redirect \
  eval '[ -n "$window" ] && override_redirect "$window"'

# A window manager starts; the prefix still holds Managed=N from before.
matchbox-window-manager >"$work/manager.log" 2>&1 &
manager_pid=$!
wait_until 5 detects_manager
check manager_detected detects_manager
check manager_managed_N_from_before managed_is N
bash scripts/window-manager.sh "$wine" >"$work/out" 2>&1
check manager_managed_removed managed_is absent
game_check manager_window_managed eval 'managed_by_manager "$window"'
bash scripts/window-manager.sh "$wine" >"$work/out" 2>&1
check manager_second_start_same managed_is absent

# The manager dies without cleaning up: its mark stays on the root window.
{
  kill -KILL "$manager_pid"
  wait "$manager_pid"
} 2>/dev/null
manager_pid=""
check dead_manager_mark_left \
  eval 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id #"'
check dead_manager_none_detected eval '! detects_manager'
bash scripts/window-manager.sh "$wine" >"$work/out" 2>&1
check dead_manager_managed_N managed_is N
echo "unknown step: $step" >&2
exit 2
