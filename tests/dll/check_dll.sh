#!/bin/sh
# What tavlin.dll shows the loader: it imports only Windows system DLLs (its C and C++
# runtimes are linked in) and exports its six entry points by name with ordinals 1 to 6.
#   check_dll.sh <objdump> <tavlin.dll>
set -u
objdump=$1
dll=$2
failures=0
passed=0
check() {
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
        echo "ok: $1"
    else
        failures=$((failures + 1))
        echo "FAILED: $1 (got '$2', expected '$3')"
    fi
}

headers=$("$objdump" -p "$dll")
imports=$(printf '%s\n' "$headers" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
foreign=$(printf '%s\n' $imports | grep -v -x -E 'kernel32\.dll|advapi32\.dll|ole32\.dll|oleaut32\.dll|msvcrt\.dll|user32\.dll' | tr '\n' ' ')
check "imports only Windows system DLLs ($imports)" "$foreign" ""

# The name table gives each name's index in the address table; the ordinal adds the base.
base=$(printf '%s\n' "$headers" | sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\)$/\1/p')
exports=$(printf '%s\n' "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^\t\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' |
    while read -r index name; do echo "$name@$((index + ${base:-0}))"; done | sort | tr '\n' ' ')
check "exports by name with ordinals 1 to 6" "$exports" "DllCanUnloadNow@1 DllGetClassObject@2 DllInstall@5 DllRegisterServer@3 DllServeIsolated@6 DllUnregisterServer@4 "

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
