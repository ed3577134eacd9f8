#!/usr/bin/env bash
# Configures and builds the targets: native Linux (build/linux), the same against the newest
# JDK the machine has beside the default one (build/linux-newest-java, skipped with a note where
# there is none), the same with AddressSanitizer
# and UndefinedBehaviorSanitizer (build/linux-asan, which holds only the tests that run under
# them), Windows i686 (build/win32, the primary target) and Windows x86_64 (build/win64); with
# both Windows targets, the release archive dist/tavlin-<version>-windows.zip from them.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
jobs="${TAVLIN_JOBS:-$(nproc)}"

configure_and_build() {
  local dir="$1"; shift
  cmake -S "$top" -B "$top/build/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$top/build/$dir" -j "$jobs"
}

targets="${TAVLIN_TARGETS:-linux linux-newest-java linux-asan win32 win64}"
for target in $targets; do
  echo "== building $target"
  case "$target" in
    linux) configure_and_build linux ;;
    linux-newest-java)
      newest=$(bash "$top/scripts/newest-java.sh")
      if [ -z "$newest" ]; then
        echo "note: no JDK newer than the default one is installed; the native suite runs on that one alone"
        continue
      fi
      JAVA_HOME=$newest configure_and_build linux-newest-java ;;
    # -O1 and line tables only: half the compile time of -O2 -g, and still file:line in reports.
    linux-asan) configure_and_build linux-asan -DTAVLIN_SANITIZE=address,undefined \
                  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" ;;
    win32) configure_and_build win32 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-w64-mingw32.cmake" ;;
    # The 64-bit build also tests the 32-bit DLL as 64-bit Windows runs it (tests/wow64),
    # when the 32-bit one is built.
    win64) configure_and_build win64 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-x86_64-w64-mingw32.cmake" \
             -DTAVLIN_WIN32_BUILD="$([ -f "$top/build/win32/src/tavlin.dll" ] && echo "$top/build/win32")" ;;
    *) echo "unknown target $target" >&2; exit 2 ;;
  esac
done

if [[ " $targets " == *" win32 "* && " $targets " == *" win64 "* ]]; then
  echo "== packaging"
  bash "$top/scripts/package.sh"
fi
