#!/usr/bin/env bash
# Proves that the releases are reproducible: the sources of this checkout, copied into
# another folder and built there in build folders of their own, give executables byte
# for byte equal to build/i686/win32/zirirar.exe and build/linux/zirirar-aduzo and a
# browser game's module equal to build/web/zirirar-aduzo.wasm, and scripts/package.sh
# gives the same zips and the same Debian package, with the same SHA-256s, from both.
#
# Usage: tests/static/check_reproducible.sh   (after scripts/build.sh i686 linux web)
# Ends with "reproducible: N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

# shellcheck source=tests/support/checks.sh
source tests/support/checks.sh

first=$root/build/i686/win32/zirirar.exe
first_linux=$root/build/linux/zirirar-aduzo
first_web=$root/build/web/zirirar-aduzo.wasm
[ -f "$first" ] && [ -f "$first_linux" ] && [ -f "$first_web" ] ||
  { echo "FAIL build build/i686, build/linux and build/web first (scripts/build.sh i686 linux web)"
    failed=1; finish "reproducible"; }

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
# The Linux game likewise, as build/linux, the game alone.
second=$other/src/build/elsewhere/win32/zirirar.exe
second_linux=$other/src/build/linux-elsewhere/zirirar-aduzo
second_web=$other/src/build/web-elsewhere/zirirar-aduzo.wasm
if ! (cmake -S "$other/src" -B "$other/src/build/elsewhere" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null &&
  cmake --build "$other/src/build/elsewhere" -j "$(nproc)" --target zirirar -- --no-print-directory \
    >"$other/build.log" 2>&1 &&
  cmake -S "$other/src" -B "$other/src/build/linux-elsewhere" -DCMAKE_BUILD_TYPE=Release \
    -DZIRIRAR_LINUX_GAME=ON >/dev/null &&
  cmake --build "$other/src/build/linux-elsewhere" -j "$(nproc)" --target zirirar-aduzo \
    -- --no-print-directory >>"$other/build.log" 2>&1 &&
  NODE_PATH=/usr/share/nodejs emcmake cmake -S "$other/src" -B "$other/src/build/wasm-elsewhere" \
    -DCMAKE_BUILD_TYPE=Release -DZIRIRAR_WEB_SITE="$other/src/build/web-elsewhere" \
    >>"$other/build.log" 2>&1 &&
  NODE_PATH=/usr/share/nodejs cmake --build "$other/src/build/wasm-elsewhere" -j "$(nproc)" \
    -- --no-print-directory >>"$other/build.log" 2>&1); then
  tail -n 20 "$other/build.log"
  check "the sources build in another folder" false
  finish "reproducible"
fi

same_bytes() {  # file-here file-elsewhere
  cmp -s "$1" "$2" && return 0
  echo "     $(cmp -l "$1" "$2" | wc -l) bytes differ, the first ones:"
  cmp -l "$1" "$2" | head -n 5 | sed 's/^/       /'
  return 1
}
check "the executable built in another folder has the same bytes" same_bytes "$first" "$second"
check "the Linux game built in another folder has the same bytes" \
  same_bytes "$first_linux" "$second_linux"
check "the browser game's module built in another folder has the same bytes" \
  same_bytes "$first_web" "$second_web"

# The packages, each packed from its own builds by its own checkout's package script.
# All are made with the commit time of this checkout, so they must match.
pack() {  # source-root build-dir linux-build-dir web-site
  (cd "$1" && PACKAGE_BUILD_DIR=$2 PACKAGE_LINUX_BUILD_DIR=$3 PACKAGE_WEB_SITE=$4 \
    bash scripts/package.sh \
    >"$other/package.log" 2>&1) || { sed 's/^/     /' "$other/package.log"; return 1; }
  cat "$1"/dist/*.sha256
}
sums_here=$(pack "$root" build/i686 build/linux build/web)
sums_there=$(pack "$other/src" build/elsewhere build/linux-elsewhere build/web-elsewhere)
echo "$sums_here" | sed 's/^/     here:      /'
echo "$sums_there" | sed 's/^/     elsewhere: /'
same_sum() {  # pattern of the package's name
  local here there
  here=$(grep -e "$1" <<<"$sums_here")
  there=$(grep -e "$1" <<<"$sums_there")
  [ -n "$here" ] && [ "$here" = "$there" ]
}
check "the Windows zips of both builds have the same SHA-256" same_sum 'win32\.zip$'
check "the browser game's zips of both builds have the same SHA-256" same_sum 'web-.*\.zip$'
check "the Debian packages of both builds have the same SHA-256" same_sum '\.deb$'
finish "reproducible"
