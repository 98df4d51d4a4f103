# The checks of a shell test, sourced by it: `check TITLE COMMAND...` runs the command
# and prints "ok   TITLE" or "FAIL TITLE"; `finish NAME` prints
# "NAME: N passed, N failed" and exits, non-zero when any check failed.
passed=0
failed=0
check() {  # title command...
  local title=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok   $title"
  else
    failed=$((failed + 1))
    echo "FAIL $title"
  fi
}
finish() {  # name
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
