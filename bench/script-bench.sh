#!/bin/sh
# The script-call benchmark under Wine: the Windows build's tavlin.dll registered in its Wine
# prefix (with the test-only Java), then bench/script_calls.vbs through that build's cscript.
#   script-bench.sh <build folder of a Windows target: build/win64 or build/win32>
set -eu
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work="$build/script-bench"
mkdir -p "$work"

ctest --test-dir "$build" -R '^winejvm[.]install_java$' >/dev/null
case "$(basename "$build")" in
  win32) WINE=/usr/lib/wine/wine ;;
  *) WINE=/usr/lib/wine/wine64 ;;
esac
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cp "$build/src/tavlin.dll" "$work/tavlin.dll"
cp "$here/script_calls.vbs" "$work/script_calls.vbs"
windows() { $WINE winepath -w "$1" | tr -d '\r'; }
$WINE regsvr32 /s "$(windows "$work/tavlin.dll")"
$WINE cscript //nologo "$(windows "$work/script_calls.vbs")" 2>/dev/null | tr -d '\r'
$WINE regsvr32 /s /u "$(windows "$work/tavlin.dll")" >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true
