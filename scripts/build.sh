#!/usr/bin/env bash
# Builds everything: the native libraries and tests (build/native), the 32-bit
# release (build/i686), the x86_64 build that runs under wine64 (build/x64), the
# Linux game with its tests (build/linux) and the browser game (built in build/wasm by
# Debian's emscripten, its site written to build/web).
# Usage: scripts/build.sh [native|i686|x64|linux|web ...]   (default: all five)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# Configures a tree once, by its preset in CMakePresets.json, then builds it.
configure_and_build() {
  local dir=$1
  if [ ! -f "build/$dir/CMakeCache.txt" ]; then
    cmake --preset "$dir" >/dev/null
  fi
  cmake --build "build/$dir" -j "$jobs" -- --no-print-directory
}

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(native i686 x64 linux web)
for t in "${targets[@]}"; do
  case "$t" in
    native | i686 | x64 | linux) configure_and_build "$t" ;;
    web)
      # Debian's emscripten runs its tools with Debian's node modules (acorn), which a
      # node installed from elsewhere does not see by itself.
      export NODE_PATH=/usr/share/nodejs
      if [ ! -f build/wasm/CMakeCache.txt ]; then
        emcmake cmake -S . -B build/wasm -DCMAKE_BUILD_TYPE=Release >/dev/null
      fi
      cmake --build build/wasm -j "$jobs" -- --no-print-directory
      ;;
    *) echo "unknown build: $t" >&2; exit 2 ;;
  esac
done
