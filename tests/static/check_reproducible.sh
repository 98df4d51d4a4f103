#!/usr/bin/env bash
# Proves that the releases are reproducible: the sources of this checkout, copied into
# another folder and built there in build folders of their own, give executables byte
# for byte equal to build/i686/win32/zirirar.exe and build/linux/zirirar-aduzo and a
# browser game's module equal to build/web/zirirar-aduzo.wasm, and scripts/package.sh
# gives the same zips and the same Debian package, with the same SHA-256s, from both.
#
# Usage: tests/static/check_reproducible.sh STEP STATE   (ctest -R static_reproducible,
# after scripts/build.sh i686 linux web); STATE is the folder of the copy:
#   build                 copies the sources into STATE, builds and packs them there and here
#   exe, linux, web       the same bytes: the executable, the Linux game, the browser module
#   win32_zip, web_zip, deb   the same SHA-256: the Windows zip, the browser zip, the package
#   clean                 removes STATE
# shellcheck source=tests/static/script_steps.sh
source "$(dirname "$0")/script_steps.sh"
other=$state

# Built like scripts/build.sh builds build/i686, build/linux and build/web, only elsewhere:
# `build_in FOLDER TARGET CONFIGURE...` configures STATE/src/build/FOLDER for a release with
# the cmake command CONFIGURE and builds TARGET there (everything when it is empty).
build_in() {
  local folder=$other/src/build/$1 target=$2
  shift 2
  "$@" -S "$other/src" -B "$folder" -DCMAKE_BUILD_TYPE=Release >>"$other/build.log" 2>&1 &&
    cmake --build "$folder" -j "$(nproc)" ${target:+--target "$target"} \
      -- --no-print-directory >>"$other/build.log" 2>&1
}
build_elsewhere() {
  build_in elsewhere zirirar cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake &&
    build_in linux-elsewhere zirirar-aduzo cmake -DZIRIRAR_LINUX_GAME=ON &&
    NODE_PATH=/usr/share/nodejs build_in wasm-elsewhere "" emcmake cmake \
      -DZIRIRAR_WEB_SITE="$other/src/build/web-elsewhere" ||
    { tail -n 20 "$other/build.log"; echo "the sources do not build in another folder"; exit 1; }
}

# The packages, each packed from its own builds by its own checkout's package script, all
# with the commit time of this checkout; their sums go to STATE/sums-NAME.
pack() {  # name source-root build-dir linux-build-dir web-site
  (cd "$2" && PACKAGE_BUILD_DIR=$3 PACKAGE_LINUX_BUILD_DIR=$4 PACKAGE_WEB_SITE=$5 \
    bash scripts/package.sh >"$other/package-$1.log" 2>&1) &&
    cat "$2"/dist/*.sha256 >"$other/sums-$1" ||
    { sed 's/^/     /' "$other/package-$1.log"; : >"$other/sums-$1"; }
  sed "s/^/     $1: /" "$other/sums-$1"
}

same_bytes() {  # file-here file-elsewhere
  cmp -s "$1" "$2" && return 0
  echo "$1 and $2: $(cmp -l "$1" "$2" | wc -l) bytes differ, the first ones:"
  cmp -l "$1" "$2" | head -n 5
  return 1
}
same_sum() {  # pattern of the package's name
  local here there
  here=$(grep -e "$1" "$other/sums-here")
  there=$(grep -e "$1" "$other/sums-elsewhere")
  echo "here: $here"$'\n'"elsewhere: $there"
  [ -n "$here" ] && [ "$here" = "$there" ]
}

case $step in
  build)
    for file in build/i686/win32/zirirar.exe build/linux/zirirar-aduzo \
      build/web/zirirar-aduzo.wasm; do
      [ -f "$file" ] || { echo "no $file: scripts/build.sh i686 linux web first"; exit 1; }
    done
    # The files git tracks, as they are in this checkout, and the commit they belong to
    # (the package takes its entries' time from it).
    rm -rf "$other" && mkdir -p "$other/src" || exit 1
    git ls-files -z | xargs -0 cp --parents -t "$other/src"
    git -C "$other/src" init -q
    git -C "$other/src" add -A
    GIT_AUTHOR_DATE="@$(git log -1 --format=%ct)" GIT_COMMITTER_DATE="@$(git log -1 --format=%ct)" \
      git -C "$other/src" -c user.name=check -c user.email=check@localhost commit -qm copy
    build_elsewhere
    pack here "$root" build/i686 build/linux build/web
    pack elsewhere "$other/src" build/elsewhere build/linux-elsewhere build/web-elsewhere
    ;;
  exe) same_bytes build/i686/win32/zirirar.exe "$other/src/build/elsewhere/win32/zirirar.exe" ;;
  linux) same_bytes build/linux/zirirar-aduzo "$other/src/build/linux-elsewhere/zirirar-aduzo" ;;
  web) same_bytes build/web/zirirar-aduzo.wasm "$other/src/build/web-elsewhere/zirirar-aduzo.wasm"
    ;;
  win32_zip) same_sum 'win32\.zip$' ;;
  web_zip) same_sum 'web-.*\.zip$' ;;
  deb) same_sum '\.deb$' ;;
  clean) rm -rf "$other" ;;
  *) echo "unknown step: $step" >&2; exit 2 ;;
esac
