#!/usr/bin/env bash
# Checks that every C++ file git tracks is formatted as .clang-format says: clang-format
# would change none of them. Prints the files it would change, with the first lines of
# its difference, and fails if there are any.
#
# Usage: tests/static/check_format.sh   (ctest -R static_format; mend with clang-format -i FILE)
set -uo pipefail
cd "$(dirname "$0")/../.."

command -v clang-format >/dev/null ||
  { echo "clang-format is not installed (scripts/setup.sh)"; exit 1; }

unformatted=()
while IFS= read -r -d '' file; do
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
    unformatted+=("$file")
    clang-format "$file" | diff -u "$file" - | sed -n '3,12p'
  fi
done < <(git ls-files -z '*.cpp' '*.h')

echo "$(git ls-files '*.cpp' '*.h' | wc -l) C++ files, ${#unformatted[@]} not formatted"
[ ${#unformatted[@]} -eq 0 ] || { printf 'not formatted: %s\n' "${unformatted[@]}"; exit 1; }
