#!/bin/sh
# The isolated class's call under Wine: bench/isolated/isolated_calls.cpp, which times a call
# on a proxy of Tavlin.Util.Isolated against the same call in process and against a trivial
# object in another process, in the same run, in the Windows build's Wine prefix (with the
# test-only Java).
#   isolated-bench.sh <build folder of a Windows target: build/win64 or build/win32>
set -eu
build=$(cd "$1" && pwd)
ctest --test-dir "$build" -R '^winejvm[.]install_java$' >/dev/null
case "$(basename "$build")" in
  win32) WINE=/usr/lib/wine/wine ;;
  *) WINE=/usr/lib/wine/wine64 ;;
esac
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
windows() { $WINE winepath -w "$1" | tr -d '\r'; }
$WINE "$build/bench/isolated/isolated_calls.exe" "$(windows "$build/src/tavlin.dll")" | tr -d '\r'
wineserver -k 2>/dev/null || true
