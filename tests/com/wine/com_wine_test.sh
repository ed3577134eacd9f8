#!/bin/sh
# Wine tests of the real tavlin.dll: what regsvr32 writes to the registry and removes from
# it, and late-bound script clients. Usage:
#   com_wine_test.sh registration|client <tavlin.dll> <work folder> <32|64>
# with TAVLIN_WINE_LOADER (the Wine loader of the DLL's architecture), WINEPREFIX and
# TAVLIN_VERSION (the project's version, which the DLL's version record must show) set.
# The DLL is copied into a folder whose name contains a quote, as the path must be
# registered exactly.
set -eu

mode=$1
dll=$2
work=$3
bits=$4
here=$(cd "$(dirname "$0")" && pwd)

# The loader matches the DLL, so its system folder holds the tools of the same architecture.
tools='C:\windows\system32'
if [ "$bits" = 32 ]; then syskind=win32; else syskind=win64; fi
WINE=$TAVLIN_WINE_LOADER
export WINEDEBUG=-all

install_dir="$work/it's installed"
rm -rf "$work"
mkdir -p "$install_dir"
cp "$dll" "$install_dir/tavlin.dll"
# Registration names the local server beside the library whether or not it is there.
windows_dll=$($WINE winepath -w "$install_dir/tavlin.dll" | tr -d '\r')
windows_dir=${windows_dll%\\*}\\

failures=0
fail() {
    printf 'FAIL: %s\n' "$*"
    failures=$((failures + 1))
}

run_tool() {
    tool=$1
    shift
    $WINE "$tools\\$tool" "$@"
}

regsvr32() {
    run_tool regsvr32.exe /s "$@" "$windows_dll" || fail "regsvr32 $* exited with $?"
}

# The data of one REG_SZ value ("" for the default), or nothing when the key or value is missing.
value_of() {
    if [ -z "$2" ]; then which='/ve'; else which="/v $2"; fi
    # shellcheck disable=SC2086
    run_tool reg.exe query "HKCR\\$1" $which 2>/dev/null | tr -d '\r' |
        sed -n 's/^    .*    REG_SZ    \(.*\)$/\1/p'
}

key_exists() {
    run_tool reg.exe query "HKCR\\$1" >/dev/null 2>&1
}

util='CLSID\{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}'
proxy='CLSID\{92E97FB8-4034-4E8D-BCB3-C2F794F526C5}'
typelib='TypeLib\{E5E89460-9F06-11D1-A07D-AAE6E1FA032C}'
isolated='CLSID\{4489F308-CB12-4B85-9EE2-5842C3F67B93}'
appid='AppID\{137F2BF5-484C-4129-B6C8-B71FCB29BF61}'

# key|value name (empty: default)|data
entries() {
    cat <<ROWS
Tavlin.TavlinUtil.1||TavlinUtil Class
Tavlin.TavlinUtil.1\\CLSID||{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}
Tavlin.Util||TavlinUtil Class
Tavlin.Util\\CLSID||{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}
Tavlin.TavlinUtil||TavlinUtil Class
Tavlin.TavlinUtil\\CLSID||{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}
Tavlin.TavlinUtil\\CurVer||Tavlin.TavlinUtil.1
$util||TavlinUtil Class
$util\\ProgID||Tavlin.TavlinUtil.1
$util\\VersionIndependentProgID||Tavlin.TavlinUtil
$util\\InprocServer32||$windows_dll
$util\\InprocServer32|ThreadingModel|Both
$util\\TypeLib||{E5E89460-9F06-11D1-A07D-AAE6E1FA032C}
$util|AppID|{137F2BF5-484C-4129-B6C8-B71FCB29BF61}
Tavlin.TavlinUtilIsolated.1||TavlinUtil Isolated Class
Tavlin.TavlinUtilIsolated.1\\CLSID||{4489F308-CB12-4B85-9EE2-5842C3F67B93}
Tavlin.Util.Isolated||TavlinUtil Isolated Class
Tavlin.Util.Isolated\\CLSID||{4489F308-CB12-4B85-9EE2-5842C3F67B93}
Tavlin.TavlinUtilIsolated||TavlinUtil Isolated Class
Tavlin.TavlinUtilIsolated\\CLSID||{4489F308-CB12-4B85-9EE2-5842C3F67B93}
Tavlin.TavlinUtilIsolated\\CurVer||Tavlin.TavlinUtilIsolated.1
$isolated||TavlinUtil Isolated Class
$isolated\\ProgID||Tavlin.TavlinUtilIsolated.1
$isolated\\VersionIndependentProgID||Tavlin.TavlinUtilIsolated
$isolated|AppID|{137F2BF5-484C-4129-B6C8-B71FCB29BF61}
$isolated\\LocalServer32||"${windows_dir}tavlinhost.exe"
$isolated\\TypeLib||{E5E89460-9F06-11D1-A07D-AAE6E1FA032C}
$appid||tavlin
Tavlin.Proxy.1||Proxy Class
Tavlin.Proxy.1\\CLSID||{92E97FB8-4034-4E8D-BCB3-C2F794F526C5}
Tavlin.Proxy||Proxy Class
Tavlin.Proxy\\CLSID||{92E97FB8-4034-4E8D-BCB3-C2F794F526C5}
Tavlin.Proxy\\CurVer||Tavlin.Proxy.1
$proxy||Proxy Class
$proxy\\ProgID||Tavlin.Proxy.1
$proxy\\VersionIndependentProgID||Tavlin.Proxy
$proxy\\InprocServer32||$windows_dll
$proxy\\InprocServer32|ThreadingModel|Both
$proxy\\TypeLib||{07E7A1AE-7AC3-4924-BBDB-8C971B1A4BA0}
$typelib\\1.0||tavlin 1.0 Type Library
$typelib\\1.0\\0\\$syskind||$windows_dll
$typelib\\1.0\\HELPDIR||$windows_dir
ROWS
}

check_registered() {
    entries | while IFS='|' read -r key name data; do
        actual=$(value_of "$key" "$name")
        [ "$actual" = "$data" ] || { printf "FAIL: HKCR\\%s [%s] is '%s', expected '%s'\n" "$key" "$name" "$actual" "$data"; exit 1; }
    done || failures=$((failures + 1))
    for key in "$util\\Programmable" "$proxy\\Programmable" "$isolated\\Programmable"; do
        key_exists "$key" || fail "HKCR\\$key missing"
    done
    # A client that asks for any server context loads an InprocServer32 where there is one.
    key_exists "$isolated\\InprocServer32" && fail "HKCR\\$isolated has an InprocServer32"
    # Empty, for the system surrogate: value_of cannot tell an empty value from a missing one.
    run_tool reg.exe query "HKCR\\$appid" /v DllSurrogate >/dev/null 2>&1 || fail "HKCR\\$appid has no DllSurrogate"
    [ -z "$(value_of "$appid" DllSurrogate)" ] || fail "HKCR\\$appid DllSurrogate is not empty"
}

check_unregistered() {
    entries | while IFS='|' read -r key name data; do
        if key_exists "$key"; then printf 'FAIL: HKCR\\%s left behind\n' "$key"; exit 1; fi
    done || failures=$((failures + 1))
    key_exists "$typelib" && fail "HKCR\\$typelib left behind"
    key_exists 'CLSID' || fail 'HKCR\CLSID removed'
}

windows_path() {
    $WINE winepath -w "$1" | tr -d '\r'
}

check_version() {
    cp "$here/version.vbs" "$work/"
    version=$(run_tool cscript.exe //nologo "$(windows_path "$work/version.vbs")" "$windows_dll" | tr -d '\r')
    [ "$version" = "$TAVLIN_VERSION" ] || fail "file version is '$version', expected $TAVLIN_VERSION"
}

check_client() {
    expected="$work/expected.txt"
    for progid in Tavlin.Util Tavlin.TavlinUtil Tavlin.TavlinUtil.1; do
        echo "$progid: newInstance error FFFFFFFF"
    done >"$expected"
    cp "$here/client.vbs" "$here/client.js" "$work/"
    for script in client.vbs client.js; do
        run_tool cscript.exe //nologo "$(windows_path "$work/$script")" java.util.Date |
            tr -d '\r' >"$work/$script.out" || fail "cscript $script exited with $?"
        cat "$work/$script.out"
        diff -u "$expected" "$work/$script.out" || fail "$script printed other than expected"
    done
    # The release demos, where no Java is found, say why and stop.
    for demo in demo.vbs demo.js; do
        cp "$here/../../../examples/$demo" "$work/"
        status=0
        run_tool cscript.exe //nologo "$(windows_path "$work/$demo")" | tr -d '\r' >"$work/$demo.out" || status=$?
        grep -q '^Java could not be started: No JRE is installed on this machine[.]$' "$work/$demo.out" ||
            fail "$demo does not say why Java could not be started: $(cat "$work/$demo.out")"
        if grep -q '^  ' "$work/$demo.out"; then fail "$demo went on after Java could not be started"; fi
    done
}

case $mode in
registration)
    regsvr32
    check_registered
    regsvr32
    check_registered
    regsvr32 /u
    check_unregistered
    regsvr32 /u
    check_unregistered
    ;;
client)
    check_version
    regsvr32
    check_client
    regsvr32 /u
    ;;
*)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all checks passed"
