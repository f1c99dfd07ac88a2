#!/usr/bin/env bash
# Runs a Windows program of this build under Wine, in a Wine prefix private to the build folder.
#
#   tests/wine-run.sh <build>/bin/prog.exe [args...]   run one program (ctest calls this for every test)
#   tests/wine-run.sh --stop [<build>]                  stop this build's wineserver and Xvfb
#   tests/wine-run.sh --env [<build>]                   print the environment it uses, for a shell to eval
#
# Which build folder: $RUNE_WINE_DIR (the Wine folder itself, <build>/wine) when set, otherwise
# found from the program's path (<build>/bin/prog.exe), or given after --stop / --env.
#
# Everything below <build>/wine:
#   prefix/        the Wine prefix, created once (wineboot -i) with one default virtual desktop, so that
#                  broadcasts and hotkeys reach every program of the test run
#   lock           flock(1) lock: parallel tests never set up the prefix or the X server twice
#   xvfb.display   the display number of the Xvfb started here, xvfb.pid its process
#   setup.log      what wineboot, wineserver and Xvfb printed
# A persistent wineserver (-p) keeps running between tests: a warm start of a program then takes a few
# hundredths of a second, and registered message numbers stay the same across the whole run.
# The display is $DISPLAY when set (set RUNE_XVFB=1 to use a private Xvfb anyway), otherwise one Xvfb
# per build folder, started on first need.
set -uo pipefail

die() { echo "wine-run.sh: $*" >&2; exit 125; }

find_build_dir() {
    # Walk up from a path until a folder with CMakeCache.txt.
    local d
    d=$(cd "$(dirname -- "$1")" 2>/dev/null && pwd -P) || return 1
    while [ "$d" != "/" ]; do
        [ -f "$d/CMakeCache.txt" ] && { echo "$d"; return 0; }
        d=$(dirname -- "$d")
    done
    return 1
}

mode=run
case "${1:-}" in
    --stop) mode=stop; shift ;;
    --env) mode=env; shift ;;
    "" ) die "usage: wine-run.sh program.exe [args...] | --stop [build] | --env [build]" ;;
esac

if [ -n "${RUNE_WINE_DIR:-}" ]; then
    WINE_DIR=$RUNE_WINE_DIR
elif [ "$mode" = run ]; then
    build=$(find_build_dir "$1") || die "cannot tell the build folder of '$1' (set RUNE_WINE_DIR)"
    WINE_DIR=$build/wine
else
    [ -n "${1:-}" ] || die "--$mode needs the build folder (or RUNE_WINE_DIR)"
    [ -d "$1" ] || die "no such build folder: $1"
    WINE_DIR=$(cd "$1" && pwd -P)/wine
fi
mkdir -p "$WINE_DIR" || die "cannot create $WINE_DIR"
WINE_DIR=$(cd "$WINE_DIR" && pwd -P)

export WINEPREFIX=$WINE_DIR/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
LOG=$WINE_DIR/setup.log

command -v wine >/dev/null || die "wine is not installed (bash scripts/deps.sh installs it)"
command -v wineserver >/dev/null || die "wineserver is not installed (bash scripts/deps.sh installs it)"

xvfb_alive() {
    local pid num
    pid=$(cat "$WINE_DIR/xvfb.pid" 2>/dev/null) || return 1
    num=$(cat "$WINE_DIR/xvfb.display" 2>/dev/null) || return 1
    kill -0 "$pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X$num" ]
}

stop_all() {
    exec 9>"$WINE_DIR/lock"
    flock 9
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
    fi
    local pid
    pid=$(cat "$WINE_DIR/xvfb.pid" 2>/dev/null)
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$WINE_DIR/xvfb.pid" "$WINE_DIR/xvfb.display" "$WINE_DIR"/run-output.*
}

start_xvfb() {
    command -v Xvfb >/dev/null || die "no DISPLAY and Xvfb is not installed (bash scripts/deps.sh installs xvfb)"
    local n pid
    for n in $(seq 90 190); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        # setsid + no inherited descriptors: Xvfb outlives this test without holding ctest's pipes open.
        setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >>"$LOG" 2>&1 9>&- &
        pid=$!
        for _ in $(seq 100); do
            [ -S "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        if kill -0 "$pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X$n" ]; then
            echo "$pid" >"$WINE_DIR/xvfb.pid"
            echo "$n" >"$WINE_DIR/xvfb.display"
            return 0
        fi
        kill "$pid" 2>/dev/null   # lost a race for that number: try the next
    done
    die "could not start Xvfb (see $LOG)"
}

init_prefix() {
    # The marker is written last, so a prefix whose set-up was interrupted is made again.
    [ -f "$WINEPREFIX/.rune-ready" ] && return 0
    wineserver -k >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
    echo "wine-run.sh: creating the Wine prefix $WINEPREFIX (once, about 10-20 s)" >&2
    wine wineboot -i </dev/null >>"$LOG" 2>&1 9>&-
    wineserver -w >/dev/null 2>&1   # let wineboot's services finish before configuring
    # One virtual desktop for every program: broadcasts and hotkeys only cross processes on one desktop.
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1024x768"\r\n' \
        >"$WINE_DIR/desktop.reg"
    local tries=0 regfile="Z:${WINE_DIR//\//\\}\\desktop.reg"   # drive Z: is the Unix root
    until wine reg import "$regfile" </dev/null >>"$LOG" 2>&1 9>&-; do
        tries=$((tries + 1))
        [ $tries -lt 3 ] || die "could not configure the Wine prefix (see $LOG)"
        sleep 1
    done
    wineserver -w >/dev/null 2>&1
    [ -f "$WINEPREFIX/system.reg" ] || die "wineboot did not create the prefix (see $LOG)"
    touch "$WINEPREFIX/.rune-ready"
}

setup() {
    exec 9>"$WINE_DIR/lock"
    flock 9
    if [ -z "${DISPLAY:-}" ] || [ "${RUNE_XVFB:-0}" = 1 ]; then
        xvfb_alive || start_xvfb
        export DISPLAY=":$(cat "$WINE_DIR/xvfb.display")"
    fi
    init_prefix
    # Persistent server; a second one for the same prefix just exits. Detached from our descriptors.
    setsid wineserver -p </dev/null >>"$LOG" 2>&1 9>&-
    exec 9>&-
}

case $mode in
    stop) stop_all; exit 0 ;;
    env)
        setup
        printf 'export WINEPREFIX=%q WINEDEBUG=%q WINEDLLOVERRIDES=%q DISPLAY=%q\n' \
            "$WINEPREFIX" "$WINEDEBUG" "$WINEDLLOVERRIDES" "$DISPLAY"
        exit 0 ;;
esac

setup
# Wine starts long-lived helper processes (services.exe, the desktop's explorer.exe, ...) on demand,
# and they inherit the descriptors of the program that caused it. Given our stdout directly, they
# would keep ctest's output pipe open after the test has ended and ctest would wait for it until
# its timeout. So the program writes to a file, and tail streams that file until the program ends.
out=$(mktemp "$WINE_DIR/run-output.XXXXXX") || die "cannot create a file in $WINE_DIR"
wine "$@" >"$out" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null' TERM INT HUP
tail -n +1 -s 0.1 -f --pid="$pid" "$out" &
tail_pid=$!
status=0
wait "$pid" || status=$?
# The trap may have interrupted the wait; the program's own status is what counts.
while kill -0 "$pid" 2>/dev/null; do wait "$pid"; status=$?; done
wait "$tail_pid" 2>/dev/null
rm -f "$out"
exit "$status"
