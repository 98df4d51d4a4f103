#!/usr/bin/env bash
# Checks that every C++ file git tracks is formatted as .clang-format says: clang-format
# would change none of them. Prints the files it would change, with the first lines of
# its difference, and "format: N passed, N failed".
#
# Usage: tests/static/check_format.sh     (mend with: clang-format -i FILE ...)
set -uo pipefail
cd "$(dirname "$0")/../.."

# shellcheck source=tests/support/checks.sh
source tests/support/checks.sh

command -v clang-format >/dev/null ||
  { echo "FAIL clang-format is not installed (scripts/setup.sh)"; failed=1; finish "format"; }

unformatted=()
while IFS= read -r -d '' file; do
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
    unformatted+=("$file")
    clang-format "$file" | diff -u "$file" - | sed -n '3,12p'
  fi
done < <(git ls-files -z '*.cpp' '*.h')

[ ${#unformatted[@]} -eq 0 ] || printf 'not formatted: %s\n' "${unformatted[@]}"
check "every C++ file formatted as .clang-format says ($(git ls-files '*.cpp' '*.h' | wc -l) files)" \
  test ${#unformatted[@]} -eq 0
finish "format"
