#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests under CTest, the Linux
# game's tests under CTest (its sound on a private sound server), the browser game's
# tests in headless Chromium, the static checks of
# the executables and of the sources' formatting, of reproducible packages, of the
# Linux game as a desktop installs it, the test of how run-game.sh leaves
# the game's window to a window manager, and the end-to-end tests of the real program
# under wine (the 32-bit release wherever this kernel runs 32-bit code, and the x86_64
# build everywhere). Ends with one overall "N passed, N failed" line.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh || exit 1
bash scripts/build.sh || { echo "build failed"; echo "0 passed, 1 failed"; exit 1; }

passed=0
failed=0
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# Adds the counts of a stage from its last "N passed, N failed" line.
count_stage() {
  local name=$1 log=$2 status=$3 line p f
  line=$(grep -E '[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    p=$(grep -oE '[0-9]+ passed' <<<"$line" | grep -oE '[0-9]+')
    f=$(grep -oE '[0-9]+ failed' <<<"$line" | grep -oE '[0-9]+')
  else
    p=0
    f=1
  fi
  [ "$status" -ne 0 ] && [ "$f" -eq 0 ] && f=1
  passed=$((passed + p))
  failed=$((failed + f))
  echo "== $name: $p passed, $f failed"
}

# Runs the CTest tests of build/DIR (with any further ctest arguments) as one stage.
ctest_stage() {
  local name=$1 dir=$2 status total bad
  shift 2
  echo "== $name (CTest in build/$dir)"
  (cd "build/$dir" && ctest --output-on-failure "$@") 2>&1 | tee "$logs/ctest"
  status=${PIPESTATUS[0]}
  total=$(grep -oE 'out of [0-9]+' "$logs/ctest" | grep -oE '[0-9]+' | tail -n 1)
  bad=$(grep -oE '[0-9]+ tests failed' "$logs/ctest" | grep -oE '[0-9]+' | tail -n 1)
  total=${total:-0}
  bad=${bad:-0}
  [ "$status" -ne 0 ] && [ "$bad" -eq 0 ] && bad=1
  echo "ctest: $((total - bad)) passed, $bad failed" >"$logs/ctest.sum"
  count_stage "$name" "$logs/ctest.sum" 0
}

ctest_stage "native unit tests" native -j "$(nproc)"
# The Linux game's tests, the sound on a private sound server among them, one at a time.
ctest_stage "Linux game tests" linux -E '^browser_game'
# The browser game (build/web) in headless Chromium: the shared scenarios at device pixel
# ratios 1 and 2, the page played with its server stopped, its voice at a null sink.
ctest_stage "browser game" linux -R '^browser_game'


for check in tests/static/*.py; do
  [ -f "$check" ] || continue
  echo "== static check $(basename "$check")"
  python3 "$check" 2>&1 | tee "$logs/static"
  count_stage "static $(basename "$check")" "$logs/static" "${PIPESTATUS[0]}"
done

echo "== formatting"
bash tests/static/check_format.sh 2>&1 | tee "$logs/format"
count_stage "formatting" "$logs/format" "${PIPESTATUS[0]}"

echo "== reproducible release"
bash tests/static/check_reproducible.sh 2>&1 | tee "$logs/reproducible"
count_stage "reproducible release" "$logs/reproducible" "${PIPESTATUS[0]}"

echo "== the Linux game installed"
bash tests/desktop/linux_install_test.sh 2>&1 | tee "$logs/linux-install"
count_stage "linux install" "$logs/linux-install" "${PIPESTATUS[0]}"

echo "== run-game.sh and the window manager"
bash tests/desktop/window_manager_test.sh 2>&1 | tee "$logs/window-manager"
count_stage "window manager" "$logs/window-manager" "${PIPESTATUS[0]}"

# One line per Windows build the end-to-end suite drove (the 32-bit release under wine32
# where this kernel runs 32-bit code, the x86_64 build under wine64), or why one did not
# run; a build that did not run counts as nothing.
echo "== end-to-end tests under wine"
bash tests/e2e/run.sh 2>&1 | tee "$logs/e2e"
status=${PIPESTATUS[0]}
e2e_lines=$(tr -d '\r' <"$logs/e2e" | grep -E '^e2e( \(.*\): [0-9]+ passed, [0-9]+ failed|: .*: not run, .*)$')
while IFS= read -r line; do
  [ -n "$line" ] || continue
  if grep -q ': not run, ' <<<"$line"; then
    echo "== ${line#e2e: }"
    continue
  fi
  echo "$line" >"$logs/e2e.one"
  count_stage "${line%%:*}" "$logs/e2e.one" 0
done <<<"$e2e_lines"
if [ "$status" -ne 0 ] && ! grep -qE ' [1-9][0-9]* failed$' <<<"$e2e_lines"; then
  count_stage "end-to-end" /dev/null 1
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
