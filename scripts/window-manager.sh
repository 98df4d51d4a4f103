#!/usr/bin/env bash
# Leaves the windows of the wine prefix $WINEPREFIX to the window manager of the X
# display $DISPLAY, or, where none runs there (a bare X server), has wine manage them
# itself: wine's Managed=N, under which it draws its own title bars and a closing
# window does not wait about 2 s for a manager's answer that never comes. With a
# manager, Managed=N would take the window away from it: no title bar of the desktop,
# none of its window handling. So the value is set or removed on every start, which
# also puts right a prefix that an earlier version of run-game.sh made with Managed=N.
#
# Usage: scripts/window-manager.sh WINE        (WINEPREFIX and DISPLAY set)
#        scripts/window-manager.sh --detect    exit 0 when a window manager runs
#
# A window manager is detected as the X conventions (the Extended Window Manager Hints)
# let a program do it: the root window's _NET_SUPPORTING_WM_CHECK names a window whose
# own _NET_SUPPORTING_WM_CHECK names that window itself. A manager that has died may
# have left the root's property behind, naming a window that is gone: that is none.
set -uo pipefail

# The window a property of type WINDOW names ("-root" or "-id ID"), or nothing.
named_window() {
  xprop "$@" _NET_SUPPORTING_WM_CHECK 2>/dev/null |
    sed -n 's/^_NET_SUPPORTING_WM_CHECK(WINDOW): window id # \(0x[0-9a-fA-F]*\)$/\1/p'
}

window_manager_runs() {
  local check
  check=$(named_window -root)
  [ -n "$check" ] && [ "$(named_window -id "$check")" = "$check" ]
}

if [ "${1:-}" = "--detect" ]; then
  window_manager_runs
  exit
fi

wine=${1:?usage: scripts/window-manager.sh WINE}
key='HKCU\Software\Wine\X11 Driver'
if window_manager_runs; then
  "$wine" reg delete "$key" /v Managed /f >/dev/null 2>&1  # absent already: nothing to do
  echo "run-game: a window manager runs on $DISPLAY; the game's window is left to it"
else
  "$wine" reg add "$key" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 ||
    { echo "run-game: cannot set Managed=N in the wine prefix" >&2; exit 1; }
  echo "run-game: no window manager on $DISPLAY; wine manages the game's window itself"
fi
exit 0
