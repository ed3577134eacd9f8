#!/bin/sh
# Runs the Windows builds' test programs under Wine.
#
#   wine-rig.sh start               create the prefix if it is missing, start a wineserver
#                                   that stays up for the whole test run
#   wine-rig.sh run PROGRAM [ARG]   run a Windows program; its exit code is the result
#   wine-rig.sh stop                shut the wineserver (and what still runs in it) down
#
# Environment, set by WineRig.cmake for ctest:
#   WINEPREFIX           the build directory's own prefix
#   TAVLIN_WINE_LOADER   the Wine loader for the build's architecture (wine or wine64)
#   TAVLIN_WINE_SERVER   the wineserver program
#   TAVLIN_WINE_ARCH     win32 or win64, for creating the prefix
# and, by whoever runs the tests:
#   TAVLIN_WINEDEBUG     Wine's debug channels (WINEDEBUG); silent unless set
set -eu

: "${WINEPREFIX:?WINEPREFIX names the prefix}"
: "${TAVLIN_WINE_LOADER:?TAVLIN_WINE_LOADER names the Wine loader}"
server="${TAVLIN_WINE_SERVER:-wineserver}"
export WINEPREFIX
export WINEDEBUG="${TAVLIN_WINEDEBUG:--all}"
# The tests need neither .NET nor the HTML engine: no Mono or Gecko installer dialogs.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Idle seconds before a server left behind by an interrupted run goes away by itself.
idle_limit=600

create_prefix() {
    log="$WINEPREFIX.log"
    mkdir -p "$(dirname "$WINEPREFIX")"
    if ! WINEARCH="${TAVLIN_WINE_ARCH:-win64}" "$TAVLIN_WINE_LOADER" wineboot --init >"$log" 2>&1; then
        cat "$log" >&2
        echo "wine-rig: could not create the prefix $WINEPREFIX" >&2
        exit 1
    fi
    # wineboot returns before the prefix's registry is written out; the server writes it
    # when the processes that wineboot started have gone.
    "$server" -w
}

case "${1:-}" in
start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        create_prefix
    fi
    # The server's own output must not hold ctest's pipes open.
    "$server" -p"$idle_limit" </dev/null >/dev/null 2>&1
    # A trivial program brings up the prefix's services once, before the tests race for it.
    "$TAVLIN_WINE_LOADER" cmd /c exit 0 </dev/null >/dev/null 2>&1
    ;;
run)
    shift
    exec "$TAVLIN_WINE_LOADER" "$@"
    ;;
stop)
    # Nothing to stop when no server runs in the prefix.
    "$server" -k 2>/dev/null || true
    ;;
*)
    echo "usage: $0 start | run PROGRAM [ARGUMENTS] | stop" >&2
    exit 2
    ;;
esac
