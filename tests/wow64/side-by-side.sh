#!/bin/sh
# Both tavlin.dll registered in one 64-bit Wine prefix: the i686 one by the 32-bit regsvr32,
# the x86_64 one by the 64-bit regsvr32. Checks each registration in its registry view, that
# each cscript reaches its own DLL (and with it its own Java), and that the demo scripts run
# through the 32-bit cscript. Prints one line per check and "N passed, M failed".
#   side-by-side.sh <i686 tavlin.dll> <x86_64 tavlin.dll> <examples folder> <work folder>
# with TAVLIN_WINE_LOADER (32-bit), TAVLIN_WINE64_LOADER and WINEPREFIX set.
set -eu
work=$4
rm -rf "$work"
mkdir -p "$work/x86" "$work/x64"
cp "$1" "$work/x86/tavlin.dll"
cp "$2" "$work/x64/tavlin.dll"
cp "$(dirname "$1")/qz.jar" "$work/x86/qz.jar"
cp "$(dirname "$2")/qz.jar" "$work/x64/qz.jar"
WINE32=$TAVLIN_WINE_LOADER
WINE64=$TAVLIN_WINE64_LOADER
export WINEDEBUG="${TAVLIN_WINEDEBUG:--all}"
windows() { $WINE64 winepath -w "$1" | tr -d '\r'; }
dll32=$(windows "$work/x86/tavlin.dll")
dll64=$(windows "$work/x64/tavlin.dll")

. "$(dirname "$0")/../support/checks.sh"

unregister() {
  $WINE32 regsvr32 /s /u "$dll32" >/dev/null 2>&1 || true
  $WINE64 regsvr32 /s /u "$dll64" >/dev/null 2>&1 || true
}
trap unregister EXIT
$WINE32 regsvr32 /s "$dll32" && status=0 || status=$?
check "the 32-bit regsvr32 registers the i686 DLL" "$status" 0
$WINE64 regsvr32 /s "$dll64" && status=0 || status=$?
check "the 64-bit regsvr32 registers the x86_64 DLL" "$status" 0

clsid='{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}'
server() {  # registry view
  $WINE64 reg query "HKLM\\Software\\Classes\\CLSID\\$clsid\\InprocServer32" /ve /reg:$1 2>/dev/null |
    tr -d '\r' | sed -n 's/.*REG_SZ *//p'
}
check "the 32-bit view names the i686 DLL" "$(server 32)" "$dll32"
check "the 64-bit view names the x86_64 DLL" "$(server 64)" "$dll64"

cat > "$work/arch.vbs" <<'VBS'
Set util = CreateObject("Tavlin.Util")
WScript.Echo util.newInstance("java.lang.System").getProperty("os.arch")
VBS
arch() { $1 cscript //nologo "$(windows "$work/arch.vbs")" 2>/dev/null | tr -d '\r' | tail -n 1; }
check "the 32-bit cscript reaches the i686 DLL and a 32-bit Java" "$(arch "$WINE32")" i386
check "the 64-bit cscript reaches the x86_64 DLL and a 64-bit Java" "$(arch "$WINE64")" amd64

for script in demo.vbs demo.js; do
  cp "$3/$script" "$work/$script"
  $WINE32 cscript //nologo "$(windows "$work/$script")" > "$work/$script.out" 2>/dev/null || true
  tr -d '\r' < "$work/$script.out"
  # Each demo ends by catching a Java exception and printing its message.
  last=$(tr -d '\r' < "$work/$script.out" | grep -c 'failed: ' || true)
  check "the demo $script runs through the 32-bit cscript to its end" "$last" 1
done

checks_done
