#!/usr/bin/env bash
# Proves that the release is reproducible: the sources of this checkout, copied into
# another folder and built there in a build folder of their own, give an executable
# byte for byte equal to build/i686/win32/zirirar.exe, and scripts/package.sh gives the
# same zip, with the same SHA-256, from both.
#
# Usage: tests/static/check_reproducible.sh   (after scripts/build.sh i686)
# Ends with "reproducible: N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

# shellcheck source=tests/support/checks.sh
source tests/support/checks.sh

first=$root/build/i686/win32/zirirar.exe
[ -f "$first" ] ||
  { echo "FAIL build build/i686 first (scripts/build.sh i686)"; failed=1; finish "reproducible"; }

other=$(mktemp -d)
trap 'rm -rf "$other"' EXIT

# The files git tracks, as they are in this checkout, and the commit they belong to
# (the package takes its entries' time from it).
mkdir -p "$other/src"
git ls-files -z | xargs -0 cp --parents -t "$other/src"
git -C "$other/src" init -q
git -C "$other/src" add -A
GIT_AUTHOR_DATE="@$(git log -1 --format=%ct)" GIT_COMMITTER_DATE="@$(git log -1 --format=%ct)" \
  git -C "$other/src" -c user.name=check -c user.email=check@localhost commit -qm copy

# Built like scripts/build.sh builds build/i686, only elsewhere.
second=$other/src/build/elsewhere/win32/zirirar.exe
if ! (cmake -S "$other/src" -B "$other/src/build/elsewhere" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null &&
  cmake --build "$other/src/build/elsewhere" -j "$(nproc)" --target zirirar -- --no-print-directory \
    >"$other/build.log" 2>&1); then
  tail -n 20 "$other/build.log"
  check "the sources build in another folder" false
  finish "reproducible"
fi

same_bytes() {
  cmp -s "$first" "$second" && return 0
  echo "     $(cmp -l "$first" "$second" | wc -l) bytes differ, the first ones:"
  cmp -l "$first" "$second" | head -n 5 | sed 's/^/       /'
  return 1
}
check "the executable built in another folder has the same bytes" same_bytes

# The two zips, each packed from its own build by its own checkout's package script.
# Both are made with the commit time of this checkout, so they must match.
pack() {  # source-root build-dir
  (cd "$1" && PACKAGE_BUILD_DIR=$2 bash scripts/package.sh >/dev/null) || return 1
  cat "$1"/dist/*.zip.sha256
}
sum_here=$(pack "$root" build/i686)
sum_there=$(pack "$other/src" build/elsewhere)
echo "     here:      $sum_here"
echo "     elsewhere: $sum_there"
same_zip() { [ -n "$sum_here" ] && [ "$sum_here" = "$sum_there" ]; }
check "the packages of both builds have the same SHA-256" same_zip
finish "reproducible"
