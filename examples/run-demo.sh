#!/bin/sh
# The demo under Wine: the x86_64 tavlin.dll registered with regsvr32 in a Wine prefix whose
# test-only Java forwards to the machine's OpenJDK, then VBScript and JScript through cscript.
#   run-demo.sh <build folder of the x86_64 Windows target>
set -eu
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work="$build/demo"
mkdir -p "$work"

echo "== preparing the Wine prefix and its Java installation (the first time takes a minute)"
ctest --test-dir "$build" -R '^winejvm[.]install_java$' >/dev/null

WINE=/usr/lib/wine/wine64
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cp "$build/src/tavlin.dll" "$work/tavlin.dll"
windows() { $WINE winepath -w "$1" | tr -d '\r'; }

echo "== regsvr32 tavlin.dll"
$WINE regsvr32 /s "$(windows "$work/tavlin.dll")"
for script in demo.vbs demo.js; do
    echo "== cscript $script"
    cp "$here/$script" "$work/$script"
    $WINE cscript //nologo "$(windows "$work/$script")" | tr -d '\r'
done
wineserver -k 2>/dev/null || true
