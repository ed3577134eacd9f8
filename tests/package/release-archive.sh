#!/bin/sh
# The release archive as a Windows user meets it. Packs the archive with scripts/package.sh,
# checks what it holds, then in a fresh 64-bit Wine prefix with a 32-bit and a 64-bit Java:
# install.cmd (run by the 32-bit cmd, which must reach the 64-bit regsvr32 through Sysnative)
# registers both DLLs for the machine, the VBScript demo runs to its end through the 32-bit
# and the 64-bit cscript, uninstall.cmd leaves none of the product's keys, and regsvr32
# /n /i:user writes the product's keys below HKEY_CURRENT_USER alone and takes them all away.
# Prints one line per check and "N passed, M failed".
#   release-archive.sh <source folder> <i686 build> <x86_64 build> <version> <Java version> <work folder>
# with TAVLIN_WINE_LOADER (32-bit), TAVLIN_WINE64_LOADER, TAVLIN_WINE_SERVER, TAVLIN_OBJDUMP
# and CMAKE_COMMAND set.
set -eu
top=$1 build32=$2 build64=$3 version=$4 java_version=$5 work=$6
WINE32=$TAVLIN_WINE_LOADER
WINE64=$TAVLIN_WINE64_LOADER
server=$TAVLIN_WINE_SERVER
export WINEPREFIX="$work/prefix" WINEDEBUG="${TAVLIN_WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$work"
mkdir -p "$work"

. "$(dirname "$0")/../support/checks.sh"
status_of() { "$@" && echo 0 || echo $?; }

archive=$(TAVLIN_WIN32_BUILD=$build32 TAVLIN_WIN64_BUILD=$build64 bash "$top/scripts/package.sh" "$work/dist")
check "the archive is named by the project's version" "$(basename "$archive")" "tavlin-$version-windows.zip"
check "the archive holds the DLLs and their local servers, the scripts, README.txt and the examples, and nothing else" \
  "$(unzip -Z1 "$archive" | grep -v '/$' | LC_ALL=C sort | tr '\n' ' ')" \
  "README.txt examples/README.md examples/demo.js examples/demo.vbs examples/excel/FillSheet.bas examples/powershell/Demo.ps1 install.cmd uninstall.cmd x64/tavlin.dll x64/tavlinhost.exe x86/tavlin.dll x86/tavlinhost.exe "
# Where a user would keep it, with the spaces and parentheses that the scripts must bear.
folder="$work/Program Files (x86)/tavlin $version"
mkdir -p "$folder"
unzip -q "$archive" -d "$folder"
format_of() { "$TAVLIN_OBJDUMP" -f "$1" | sed -n 's/.*file format //p'; }
check "x86 holds the 32-bit DLL" "$(format_of "$folder/x86/tavlin.dll")" pei-i386
check "x64 holds the 64-bit DLL" "$(format_of "$folder/x64/tavlin.dll")" pei-x86-64
check "x86 holds the 32-bit local server" "$(format_of "$folder/x86/tavlinhost.exe")" pei-i386
check "x64 holds the 64-bit local server" "$(format_of "$folder/x64/tavlinhost.exe")" pei-x86-64
check "README.txt names the version" "$(grep -c "^tavlin $version for Windows" "$folder/README.txt")" 1

# A fresh prefix of the test's own, with its own server, and a Java of each bitness.
if ! WINEARCH=win64 $WINE64 wineboot --init >"$work/prefix.log" 2>&1; then
  cat "$work/prefix.log"; exit 1
fi
"$server" -w
"$server" -p60 </dev/null >/dev/null 2>&1
trap '"$server" -k 2>/dev/null || true' EXIT
for bits in 64 32; do
  if [ $bits = 64 ]; then
    forwarder="$build64/tests/winejvm/forwarder/jvm.dll.so" program_files="Program Files"
  else
    forwarder="$build32/tests/winejvm/forwarder/jvm.dll.so" program_files="Program Files (x86)"
  fi
  "$CMAKE_COMMAND" -DWINE="$WINE64" -DPREFIX="$WINEPREFIX" -DFORWARDER="$forwarder" -DJAVA_VERSION="$java_version" \
    -DREGISTRY_VIEW=$bits "-DPROGRAM_FILES=$program_files" -P "$top/tests/winejvm/InstallJava.cmake" >/dev/null
done

windows() { $WINE64 winepath -w "$1" | tr -d '\r'; }
dll32=$(windows "$folder/x86/tavlin.dll")
dll64=$(windows "$folder/x64/tavlin.dll")
clsid='{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}'
# The product's keys below one root of classes, one per line ("Tavlin.Util", "CLSID\{...}").
product_keys() {  # root, registry view
  for below in "" AppID CLSID TypeLib Interface; do
    $WINE64 reg query "$1${below:+\\$below}" /reg:$2 2>/dev/null | tr -d '\r'
  done | grep -i -E '\\(Tavlin\.|\{E5E89460-|\{E5E89461-|\{E5E89462-|\{92E97FB8-|\{9A6F080F-|\{4489F308-|\{137F2BF5-)' |
    sed 's/^.*\\Classes\\//' | LC_ALL=C sort | tr '\n' ' '
}
all_keys="AppID\\{137F2BF5-484C-4129-B6C8-B71FCB29BF61} CLSID\\{4489F308-CB12-4B85-9EE2-5842C3F67B93} CLSID\\{92E97FB8-4034-4E8D-BCB3-C2F794F526C5} CLSID\\$clsid Interface\\{9A6F080F-A624-4E65-B5FB-64EB585EDD54} Interface\\{E5E89461-9F06-11D1-A07D-AAE6E1FA032C} Tavlin.Proxy Tavlin.Proxy.1 Tavlin.TavlinUtil Tavlin.TavlinUtil.1 Tavlin.TavlinUtilIsolated Tavlin.TavlinUtilIsolated.1 Tavlin.Util Tavlin.Util.Isolated TypeLib\\{E5E89460-9F06-11D1-A07D-AAE6E1FA032C} "
machine='HKLM\Software\Classes'
user='HKCU\Software\Classes'
server_of() {  # root, registry view
  $WINE64 reg query "$1\\CLSID\\$clsid\\InprocServer32" /ve /reg:$2 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'
}
expect_nothing_left() {  # after what
  check "$1 leaves no product key in the 64-bit machine classes" "$(product_keys "$machine" 64)" ""
  check "$1 leaves no product key in the 32-bit machine classes" "$(product_keys "$machine" 32)" ""
  check "$1 leaves no product key in the user's classes" "$(product_keys "$user" 64)" ""
}

# As a user types it in the folder; Wine's user is an administrator, so for the machine.
(cd "$folder" && $WINE32 cmd /c install.cmd) > "$work/install.out" 2>&1 && status=0 || status=$?
tr -d '\r' < "$work/install.out"
check "install.cmd succeeds" "$status" 0
check "install.cmd reports both DLLs registered for the machine" \
  "$(tr -d '\r' < "$work/install.out" | grep -c '^Registered for every user of this machine: ".*tavlin.dll"$')" 2
check "the 64-bit classes name the x64 DLL" "$(server_of "$machine" 64)" "$dll64"
check "the 32-bit classes name the x86 DLL" "$(server_of "$machine" 32)" "$dll32"
check "install.cmd registers every product key in the 64-bit classes" "$(product_keys "$machine" 64)" "$all_keys"
check "install.cmd writes nothing in the user's classes" "$(product_keys "$user" 64)" ""

for cscript in "$WINE32" "$WINE64"; do
  bits=32; [ "$cscript" = "$WINE64" ] && bits=64
  (cd "$folder/examples" && $cscript cscript //nologo demo.vbs) > "$work/demo$bits.out" 2>/dev/null || true
  tr -d '\r' < "$work/demo$bits.out"
  # The demo ends by catching a Java exception and printing its message.
  check "the demo runs to its end through the $bits-bit cscript" \
    "$(tr -d '\r' < "$work/demo$bits.out" | grep -c 'list.get(99) failed: ')" 1
done

(cd "$folder" && $WINE64 cmd /c uninstall.cmd) > "$work/uninstall.out" 2>&1 && status=0 || status=$?
tr -d '\r' < "$work/uninstall.out"
check "uninstall.cmd succeeds" "$status" 0
expect_nothing_left "uninstall.cmd"

# Registration for the user, each DLL by its own regsvr32. Wine's RegisterTypeLibForUser
# registers for the machine, and writes the interfaces into the other registry view as well,
# past the HKEY_CLASSES_ROOT that the DLL put in place of the user's classes (Windows writes
# them for the user); beyond those, nothing may reach the machine's classes.
beyond_interfaces() { tr ' ' '\n' | grep -v '^Interface' | tr '\n' ' '; }
for bits in 64 32; do
  if [ $bits = 64 ]; then wine=$WINE64 dll=$dll64; else wine=$WINE32 dll=$dll32; fi
  check "the $bits-bit regsvr32 /n /i:user succeeds" "$(status_of $wine regsvr32 /s /n /i:user "$dll")" 0
  check "the user's classes hold every product key ($bits-bit)" "$(product_keys "$user" 64)" "$all_keys"
  check "the user's classes name the $bits-bit DLL" "$(server_of "$user" 64)" "$dll"
  check "nothing is registered in the 64-bit machine classes ($bits-bit)" \
    "$(product_keys "$machine" 64 | beyond_interfaces)" ""
  check "nothing is registered in the 32-bit machine classes ($bits-bit)" \
    "$(product_keys "$machine" 32 | beyond_interfaces)" ""
  check "the $bits-bit regsvr32 /u /n /i:user succeeds" "$(status_of $wine regsvr32 /s /u /n /i:user "$dll")" 0
  expect_nothing_left "regsvr32 /u /n /i:user ($bits-bit)"
done
check "an unknown /i: command line is refused" "$(status_of $WINE64 regsvr32 /s /n /i:everyone "$dll64")" 5

# A folder whose name the ANSI code page cannot spell whole (a user's profile named in
# another script), with an ampersand that cmd must not take for a command separator: the
# classes name the DLLs where they are, so that the demo runs from both cscripts.
other="$work/Ünïcødé 漢字 & Co"
mkdir -p "$other"
unzip -q "$archive" -d "$other"
(cd "$other" && $WINE32 cmd /c install.cmd) > "$work/install-other.out" 2>&1 && status=0 || status=$?
tr -d '\r' < "$work/install-other.out"
check "install.cmd succeeds in a folder named with accents, CJK characters and &" "$status" 0
for cscript in "$WINE32" "$WINE64"; do
  bits=32; [ "$cscript" = "$WINE64" ] && bits=64
  (cd "$other/examples" && $cscript cscript //nologo demo.vbs) > "$work/demo-other$bits.out" 2>/dev/null || true
  check "the demo runs to its end there through the $bits-bit cscript" \
    "$(tr -d '\r' < "$work/demo-other$bits.out" | grep -c 'list.get(99) failed: ')" 1
done
(cd "$other" && $WINE64 cmd /c uninstall.cmd) > /dev/null 2>&1 && status=0 || status=$?
check "uninstall.cmd succeeds there" "$status" 0
expect_nothing_left "uninstall.cmd in that folder"

# A DLL gone missing makes install.cmd fail and say so.
rm "$folder/x86/tavlin.dll"
(cd "$folder" && $WINE64 cmd /c install.cmd) > "$work/broken.out" 2>&1 && status=0 || status=$?
check "install.cmd without the x86 DLL fails" "$status" 1
check "install.cmd names the missing DLL" "$(tr -d '\r' < "$work/broken.out" | grep -c 'x86.tavlin.dll" is missing')" 1
(cd "$folder" && $WINE64 cmd /c uninstall.cmd) >/dev/null 2>&1 || true

checks_done
