#!/usr/bin/env bash
# Sets the machine up, builds everything, then runs every test: one CTest test preset
# per stage (CMakePresets.json), in the order below. Each stage's results are read from
# the JUnit file CTest writes; the run ends with one "N passed, N failed" line and exits
# non-zero when anything failed. A test that cannot run on this machine (no 32-bit
# code, no wine) is skipped, which counts as neither.
#
# Usage: scripts/test-all.sh [STAGE ...]   (default: all of them; no setup or build
#                                           when stages are named)
set -uo pipefail
cd "$(dirname "$0")/.."

stages=("$@")
if [ ${#stages[@]} -eq 0 ]; then
  stages=(unit linux browser static install desktop e2e-i686 e2e-x64)
  bash scripts/setup.sh || exit 1
  bash scripts/build.sh || { echo "build failed"; echo "0 passed, 1 failed"; exit 1; }
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
passed=0
failed=0
skipped=0

# Runs a stage, its results in a JUnit file; its output is shown as it comes, or kept
# in a log when another stage runs beside it.
run_stage() {  # stage [quiet]
  if [ $# -gt 1 ]; then
    ctest --preset "$1" --output-junit "$logs/$1.xml" >"$logs/$1.log" 2>&1
  else
    echo "== $1"
    ctest --preset "$1" --output-junit "$logs/$1.xml" 2>&1
  fi
  echo $? >"$logs/$1.status"
}

# Adds up a stage's results (scripts/junit_counts.py says how).
count_stage() {
  local stage=$1 p f s
  [ -f "$logs/$stage.log" ] && { echo "== $stage"; cat "$logs/$stage.log"; }
  read -r p f s < <(python3 scripts/junit_counts.py "$logs/$stage.xml" "$(cat "$logs/$stage.status")")
  passed=$((passed + p))
  failed=$((failed + f))
  skipped=$((skipped + s))
  echo "== $stage: $p passed, $f failed, $s skipped"
  if [ "$stage" = e2e-i686 ] && [ "$p$f" = 00 ] && [ "$s" -gt 0 ]; then
    if bash scripts/runs32.sh; then
      echo "== e2e (32-bit release): not run, wine32 is not installed (scripts/setup.sh says why)"
    else
      echo "== e2e (32-bit release): not run, this kernel runs no 32-bit code"
    fi
  fi
}

both_e2e=0
[[ " ${stages[*]} " == *" e2e-i686 "* && " ${stages[*]} " == *" e2e-x64 "* ]] && both_e2e=1
for stage in "${stages[@]}"; do
  # The two Windows builds run side by side, each on its own X server and in its own
  # wine prefix: their cases mostly wait on the game's clock.
  if [ $both_e2e = 1 ] && [ "$stage" = e2e-i686 ]; then
    continue
  elif [ $both_e2e = 1 ] && [ "$stage" = e2e-x64 ]; then
    run_stage e2e-i686 quiet &
    run_stage e2e-x64 quiet
    wait
    count_stage e2e-i686
  else
    run_stage "$stage"
  fi
  count_stage "$stage"
done

[ "$skipped" -eq 0 ] || echo "$skipped skipped"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
