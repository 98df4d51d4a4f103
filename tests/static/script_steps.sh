# shellcheck shell=bash disable=SC2034  # $root and $state are for the scripts that source it
# Sourced by a test script whose checks are steps (script_checks.cmake), given its arguments
# STEP STATE: strict mode, $root (the source root, the working folder), $step and $state.
# `run_step NAME...` runs the step's function if the step is one of those named;
# `wait_until SECONDS COMMAND...` retries COMMAND every 0.1 s until it succeeds, or fails.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
root=$PWD
step=$1
state=$2

run_step() {  # name...
  [[ " $* " == *" $step "* ]] || { echo "unknown step: $step" >&2; exit 2; }
  "$step"
}

wait_until() {  # seconds command...
  local tries=$(($1 * 10))
  shift
  until "$@"; do
    [ $((tries -= 1)) -gt 0 ] || return 1
    sleep 0.1
  done
}
