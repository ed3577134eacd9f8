#!/usr/bin/env bash
# Configures and builds the three targets: native Linux (build/linux), Windows i686
# (build/win32, the primary target) and Windows x86_64 (build/win64).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
jobs="${TAVLIN_JOBS:-$(nproc)}"

configure_and_build() {
  local dir="$1"; shift
  cmake -S "$top" -B "$top/build/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$top/build/$dir" -j "$jobs"
}

targets="${TAVLIN_TARGETS:-linux win32 win64}"
for target in $targets; do
  echo "== building $target"
  case "$target" in
    linux) configure_and_build linux ;;
    win32) configure_and_build win32 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-w64-mingw32.cmake" ;;
    win64) configure_and_build win64 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-x86_64-w64-mingw32.cmake" ;;
    *) echo "unknown target $target" >&2; exit 2 ;;
  esac
done
