#!/bin/sh
# Registers tavlin.dll in the Wine prefix and runs one script client through cscript.
#   run-client.sh <tavlin.dll> <fixtures.jar> <harness> <script> <work folder>
# with TAVLIN_WINE_LOADER and WINEPREFIX set (the rig's environment). The script prints one
# line per check and "N passed, M failed"; its exit code is the result.
set -eu
dll=$1
fixtures=$2
harness=$3
script=$4
work=$5
WINE=$TAVLIN_WINE_LOADER
export WINEDEBUG="${TAVLIN_WINEDEBUG:--all}"

rm -rf "$work"
mkdir -p "$work"
cp "$dll" "$work/tavlin.dll"
# The product's archive lies beside the DLL, where the class path looks for it.
cp "$(dirname "$dll")/qz.jar" "$work/qz.jar"
extension=${script##*.}
# cscript runs one file: the harness first, then the checks.
cat "$harness" "$script" > "$work/client.$extension"

windows() { $WINE winepath -w "$1" | tr -d '\r'; }
dll_path=$(windows "$work/tavlin.dll")
$WINE regsvr32 /s "$dll_path"
trap '$WINE regsvr32 /s /u "$dll_path" >/dev/null 2>&1 || true' EXIT

CLASSPATH=$(windows "$fixtures")
export CLASSPATH
status=0
$WINE cscript //nologo "$(windows "$work/client.$extension")" > "$work/output.txt" || status=$?
tr -d '\r' < "$work/output.txt"
# Wine's cscript says nothing about a script that does not compile: no closing line is a failure.
grep -q ' passed, 0 failed' "$work/output.txt" || status=${status:-1}
[ "$status" -ne 0 ] || grep -q ' passed, 0 failed' "$work/output.txt" || status=1
exit "$status"
