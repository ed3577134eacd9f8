#!/bin/sh
# Registers tavlin.dll in the Wine prefix and runs one script client through cscript.
#   run-client.sh <tavlin.dll> <class path, entries separated by ':'> <harness> <script> <work folder>
# with TAVLIN_WINE_LOADER and WINEPREFIX set (the rig's environment); TAVLIN_CLIENT_LOADER, when
# set, runs cscript of another architecture than the registering regsvr32 (a 64-bit client of
# the i686 library). The script prints one
# line per check and closes with "P passed, F failed, N planned"; the run passes only when the
# script exits with 0 and that line shows no failure and every planned check counted.
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
# The local server of Tavlin.Util.Isolated lies beside the library, as in the release.
cp "$(dirname "$dll")/tavlinhost.exe" "$work/tavlinhost.exe"
# TAVLIN_CLIENT_LAYOUT=release: the DLL alone in its folder, no CLASSPATH, and the script run
# from a folder that holds the classes in TAVLIN_PLANTED_CLASSES; the run fails if anything
# reaches standard error or a planted class leaves its marker. With TAVLIN_CLIENT_VM_OPTION, a
# product VMOptions subkey holds that option. Otherwise the product's archive lies beside the
# DLL, where the class path looks for it, and the fixtures are on CLASSPATH.
layout=${TAVLIN_CLIENT_LAYOUT:-fixtures}
run_folder=$work
if [ "$layout" = release ]; then
  run_folder="$work/run"
  cp -r "$TAVLIN_PLANTED_CLASSES" "$run_folder"
else
  cp "$(dirname "$dll")/qz.jar" "$work/qz.jar"
fi
extension=${script##*.}
# cscript runs one file: the harness first, then the checks.
cat "$harness" "$script" > "$work/client.$extension"

windows() { $WINE winepath -w "$1" | tr -d '\r'; }
dll_path=$(windows "$work/tavlin.dll")
$WINE regsvr32 /s "$dll_path"
trap '$WINE regsvr32 /s /u "$dll_path" >/dev/null 2>&1 || true' EXIT

product_key='HKLM\Software\Varnexa\Tidewell'
product_options="$product_key\VMOptions"
forget_product_key() {
  trap '$WINE reg delete "'"$product_key"'" /f >/dev/null 2>&1 || true
        $WINE regsvr32 /s /u "$dll_path" >/dev/null 2>&1 || true' EXIT
}
if [ -n "${TAVLIN_CLIENT_PROGIDS:-}" ]; then
  # The client's utility objects come from the isolated class's local server, which COM
  # starts without the client's environment: the class path and VariantArrays go where the
  # server's VM reads them, the product key, one class-path subkey per fixture.
  forget_product_key
  number=0
  for entry in $(echo "$fixtures" | tr ':' ' '); do
    number=$((number + 1))
    $WINE reg add "$product_key\fixture$number" /ve /d "$(windows "$entry")" /f >/dev/null
  done
  if [ "${TAVLIN_VARIANT_ARRAYS:-}" = 1 ]; then
    $WINE reg add "$product_key" /v VariantArrays /t REG_DWORD /d 1 /f >/dev/null
  fi
fi
if [ "$layout" = release ]; then
  unset CLASSPATH
  if [ -n "${TAVLIN_CLIENT_VM_OPTION:-}" ]; then
    $WINE reg add "$product_options\layout" /ve /d "$TAVLIN_CLIENT_VM_OPTION" /f >/dev/null
    forget_product_key
  fi
else
  CLASSPATH=
  for entry in $(echo "$fixtures" | tr ':' ' '); do
    CLASSPATH="${CLASSPATH:+$CLASSPATH;}$(windows "$entry")"
  done
  export CLASSPATH
fi
status=0
(cd "$run_folder" && ${TAVLIN_CLIENT_LOADER:-$WINE} cscript //nologo "$(windows "$work/client.$extension")" > "$work/raw-output.txt" \
   2> "$work/error-output.txt") || status=$?
tr -d '\r' < "$work/raw-output.txt" > "$work/output.txt"
if [ -n "${TAVLIN_CLIENT_PROGIDS:-}" ]; then
  # The client's end released its objects, and with the last of them its local server ends.
  # A server still running would serve the next client with this run's settings (Wine's COM
  # never ends the server of a client that quit: it does not ping clients), so it is stopped.
  # That the server ends with its last object is isolated.vbs's check; here a reference that
  # a script engine kept (bridge_client.vbs leaves one, not yet traced) only says so.
  server=$(windows "$work/tavlinhost.exe")
  server_pids() { ps -eo pid=,args= | grep -F "$server" | grep -v grep | awk '{print $1}'; }
  waited=0
  while [ -n "$(server_pids)" ] && [ "$waited" -lt 30 ]; do sleep 1; waited=$((waited + 1)); done
  if [ -n "$(server_pids)" ]; then
    kill $(server_pids) 2>/dev/null || true
    echo "run-client.sh: note: the local server outlived its client by 30 seconds and was stopped" >&2
  fi
fi
cat "$work/output.txt"
cat "$work/error-output.txt" >&2
[ "$status" -eq 0 ] || exit "$status"
if [ "$layout" = release ]; then
  if [ -s "$work/error-output.txt" ]; then
    echo "run-client.sh: the client's standard error is not empty" >&2
    exit 1
  fi
  if ls "$run_folder"/planted-*-ran >/dev/null 2>&1; then
    echo "run-client.sh: a planted class ran: $(ls "$run_folder"/planted-*-ran)" >&2
    exit 1
  fi
fi

# Wine's cscript says nothing about a script that does not compile or stops on an uncaught
# error, and exits with 0: a missing closing line is a failure.
closing=$(sed -n 's/^\([0-9][0-9]*\) passed, \([0-9][0-9]*\) failed, \([0-9][0-9]*\) planned$/\1 \2 \3/p' "$work/output.txt")
if [ -z "$closing" ]; then
  echo "run-client.sh: the script stopped before its closing line" >&2
  exit 1
fi
read -r passed failed planned <<EOF_CLOSING
$closing
EOF_CLOSING
if [ "$failed" -ne 0 ] || [ $((passed + failed)) -ne "$planned" ]; then
  echo "run-client.sh: $failed failed and $((passed + failed)) of $planned planned checks counted" >&2
  exit 1
fi
