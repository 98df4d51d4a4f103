#!/usr/bin/env bash
# Sets the machine up, builds everything, then runs every test: one CTest test preset
# per stage (CMakePresets.json), in the order below. Each stage's results are read from
# the JUnit file CTest writes; the run ends with one "N passed, N failed" line and exits
# non-zero when anything failed. A test that cannot run on this machine (no 32-bit
# code, no wine, no browser) is skipped, which counts as neither.
#
# Usage: scripts/test-all.sh [STAGE ...]   (default: all of them, no setup or build
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

for stage in "${stages[@]}"; do
  echo "== $stage"
  ctest --preset "$stage" --output-junit "$logs/$stage.xml"
  status=$?
  # passed failed skipped: a test CTest did not start for another reason (a fixture
  # that failed, a program not built) is a failure; so is a stage with no results.
  read -r p f s < <(python3 - "$logs/$stage.xml" "$status" <<'EOF'
import sys, xml.etree.ElementTree as tree
counts = [0, 0, 0]
try:
    for case in tree.parse(sys.argv[1]).iter("testcase"):
        skip = case.find("skipped")
        if case.find("failure") is not None:
            counts[1] += 1
        elif skip is not None and not skip.get("message", "").startswith("SKIP_"):
            counts[1] += 1
        else:
            counts[2 if skip is not None else 0] += 1
except (OSError, tree.ParseError):
    pass
if sys.argv[2] != "0" and counts[1] == 0:
    counts[1] = 1
print(*counts)
EOF
  )
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
done

[ "$skipped" -eq 0 ] || echo "$skipped skipped"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
