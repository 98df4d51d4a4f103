# A private X server for a shell test, sourced by it: `start_xvfb WORKDIR SCREEN [ARG...]`
# starts Xvfb on a display number it picks itself (reported when ready), with the
# screen geometry SCREEN (such as 1280x1024x24) and any further Xvfb arguments, sets
# xvfb_pid and exports DISPLAY. Returns non-zero, saying why, when it does not start.
# `stop_xvfb` ends it by its id. Descriptor 9 is closed for the server, so that a lock
# held on it by the test is not held by the server too.
xvfb_pid=""
start_xvfb() {  # workdir screen [arg...]
  local work=$1 screen=$2
  shift 2
  command -v Xvfb >/dev/null || { echo "Xvfb is not installed (scripts/setup.sh)"; return 1; }
  Xvfb -displayfd 8 "$@" -screen 0 "$screen" -nolisten tcp 8>"$work/display" \
    2>"$work/xvfb.log" 9>&- &
  xvfb_pid=$!
  for _ in $(seq 1 200); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  [ -s "$work/display" ] || { echo "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"; return 1; }
  export DISPLAY=":$(head -n 1 "$work/display")"
}
stop_xvfb() {
  [ -n "$xvfb_pid" ] || return 0
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
}
