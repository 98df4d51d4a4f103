# What the benchmark scripts (bench/run.sh, bench/sound/measure.sh, bench/soak/run.sh)
# share, sourced by them: a private X server (tests/support/xvfb.sh), a private
# PulseAudio server whose only sink is a null sink (tests/support/pulse_sink.sh), and
# the wine prefix with its wineserver. Everything started here is ended by its id in
# session_end, which each script calls from its EXIT trap.
#
# The sourcing script sets wine and wineserver (the loader and server to use) first;
# sourcing makes the temporary folder `work`, which session_end removes. The functions
# hold under `set -e`: what may fail without harm is marked so.

work=$(mktemp -d)
session_server_started=0

# The environment of every wine program started: the prefix PREFIX, no debug output,
# no prompts for the .NET and HTML engines, 64-bit, its own wineserver.
session_wine_environment() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  unset WINESERVER
}

# The private X server: `start_xvfb "$work" SCREEN`, ended by session_end.
# shellcheck source=tests/support/xvfb.sh
source tests/support/xvfb.sh

# The private sound server: tests/support/pulse_sink.sh.
# shellcheck source=tests/support/pulse_sink.sh
source tests/support/pulse_sink.sh

# Starts PulseAudio with one null sink named SINK, the default sink, on a socket of its
# own, and sets session_pulse_server to the PULSE_SERVER value that reaches it, without
# pointing every program at it: each script chooses which ones. Returns 1 (after
# showing its log) when it does not answer.
session_start_null_sink() {
  start_pulse_sink "$work" "$1" --disable-shm=yes >&2 || return 1
  session_pulse_server=$PULSE_SERVER
  export -n PULSE_SERVER PULSE_COOKIE
}

# Makes the prefix once (marked by the file MARKER in it), with Managed=N: without a
# window manager every closing top-level window would otherwise wait about 2 s. Each
# further argument, "KEY|NAME|DATA", is one more string value of its registry. Returns
# 1 when wineboot fails.
session_make_prefix() {
  local marker=$1 setting key name data
  shift
  session_server_started=1
  [ -f "$WINEPREFIX/$marker" ] && return 0
  timeout 300 "$wine" wineboot -i >/dev/null 2>&1 || return 1
  for setting in 'HKCU\Software\Wine\X11 Driver|Managed|N' "$@"; do
    IFS='|' read -r key name data <<<"$setting"
    timeout 60 "$wine" reg add "$key" /v "$name" /t REG_SZ /d "$data" /f >/dev/null 2>&1 || true
  done
  timeout 60 "$wineserver" -w || true
  touch "$WINEPREFIX/$marker"
}

session_end() {
  if [ "$session_server_started" = 1 ]; then
    timeout 20 "$wineserver" -k 2>/dev/null || true
    timeout 20 "$wineserver" -w 2>/dev/null || true
  fi
  stop_xvfb
  stop_pulse_sink
  rm -rf "$work"
}
