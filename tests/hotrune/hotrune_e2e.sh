#!/usr/bin/env bash
# End-to-end test of hotrune.exe: the real service on the test build's Wine desktop, real key
# presses from xdotool, the real KeyMappings key of the build's Wine prefix, real broadcasts.
#
#   bash tests/hotrune/hotrune_e2e.sh <build folder>      (ctest runs it as hotrune_e2e)
#
# Shortcuts start copies of rune_fire.exe (each appends "<its name> <its working folder>" to
# $RUNE_FIRE_LOG); the functions that cannot run here (CD, volume, power) are recorded through
# the service's HOTRUNE_ACTION_LOG seam; rune_probe.exe broadcasts, checks whether a hotkey is
# free, holds one, reads and dismisses message boxes and finds windows and processes.
# Waits are bounded and generous: they catch a hang, they do not measure speed.
set -uo pipefail

here=$(cd "$(dirname -- "$0")" && pwd -P)
[ -n "${1:-}" ] && [ -d "$1/bin" ] || { echo "usage: $0 <build folder>" >&2; exit 2; }
BUILD=$(cd "$1" && pwd -P)
BIN=$BUILD/bin
env_line=$("$here/../wine-run.sh" --env "$BUILD") || { echo "cannot set up Wine" >&2; exit 125; }
eval "$env_line"
command -v xdotool >/dev/null || { echo "xdotool is not installed" >&2; exit 125; }
for exe in hotrune.exe rune_fire.exe rune_probe.exe; do
    [ -f "$BIN/$exe" ] || { echo "missing $BIN/$exe: build first" >&2; exit 2; }
done

WORK=$(mktemp -d /tmp/hotrune-e2e.XXXXXX)
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
FIRE_LOG=$WORK/fire.log
ACTION_LOG=$WORK/actions.log
export RUNE_FIRE_LOG HOTRUNE_ACTION_LOG
RUNE_FIRE_LOG=$(winpath "$FIRE_LOG")
HOTRUNE_ACTION_LOG=$(winpath "$ACTION_LOG")
KEY='HKEY_CURRENT_USER\Software\Quillmarsh\Hotrune\KeyMappings'

. "$here/../common/checks.sh"

quiet() { "$@" >/dev/null; }
# No Wine process gets this script's output or a pipe: a process started by the first program on
# the desktop (the desktop itself among them) inherits them and can outlive the test, and ctest
# (or a command substitution) would wait for it.
w() { wine "$@" </dev/null >>"$WORK/wine.out" 2>&1; }
probe() {
    wine "$BIN/rune_probe.exe" "$@" </dev/null >"$WORK/probe.out" 2>>"$WORK/wine.out"
    local rc=$?
    tr -d '\r' <"$WORK/probe.out"
    return $rc
}

SERVICE_PID=
HOLD_PID=
cleanup() {
    [ -n "$SERVICE_PID" ] && kill -0 "$SERVICE_PID" 2>/dev/null && probe broadcast WM_QUIT_HOTRUNE
    [ -n "$HOLD_PID" ] && kill "$HOLD_PID" 2>/dev/null
    for name in notepad.exe regedit.exe cmd.exe; do probe process "$name" 0 kill >/dev/null; done
    w reg delete "$KEY" /f
    rm -rf "$WORK"
}
trap cleanup EXIT

# The store as one .reg import: the key is emptied first, then values 0, 1, ... in order.
set_store() {
    local file=$WORK/store.reg i=0 rec
    {
        printf 'REGEDIT4\r\n\r\n[-%s]\r\n\r\n[%s]\r\n' "$KEY" "$KEY"
        for rec in "$@"; do
            rec=${rec//\\/\\\\}
            printf '"%d"="%s"\r\n' "$i" "$rec"
            i=$((i + 1))
        done
    } >"$file"
    w reg import "$(winpath "$file")"
}

# Copies of the fire program, each in a folder of its own.
for n in a b c; do
    mkdir -p "$WORK/$n"
    cp "$BIN/rune_fire.exe" "$WORK/$n/fire_$n.exe"
done
FIRE_A=$(winpath "$WORK/a/fire_a.exe")
FIRE_B=$(winpath "$WORK/b/fire_b.exe")
FIRE_C=$(winpath "$WORK/c/fire_c.exe")

# grep -c prints 0 itself when nothing matches; a missing log counts 0 as well.
fires() {
    local n=0
    [ -f "$FIRE_LOG" ] && n=$(tr -d '\r' <"$FIRE_LOG" | grep -c "^fire_$1\.exe ")
    echo "${n:-0}"
}
# wait_fires <name> <count>: until the fire log holds that many lines of the program.
wait_fires() {
    local i
    for i in $(seq 100); do [ "$(fires "$1")" -ge "$2" ] && return 0; sleep 0.1; done
    return 1
}
actions() { [ -f "$ACTION_LOG" ] && tr -d '\r' <"$ACTION_LOG" | paste -sd' ' -; }
# hotkey_state <mods> <vk>: "free" or "taken <error>" as another process sees the combination.
hotkey_state() { probe hotkey "$1" "$2"; }
wait_taken() {
    local i
    for i in $(seq 100); do [[ $(hotkey_state "$1" "$2") == taken* ]] && return 0; sleep 0.2; done
    return 1
}

DESK=
press() {
    [ -n "$DESK" ] || DESK=$(xdotool search --name 'Default - Wine desktop' | head -n1)
    # Wine sees keys only while one of its windows has the X focus.
    xdotool windowfocus --sync "$DESK" 2>/dev/null
    xdotool key "$1"
}

CTRL_ALT=3
CTRL_SHIFT=6

# ---- set-up --------------------------------------------------------------------------
probe broadcast WM_QUIT_HOTRUNE   # an instance left over from an interrupted run
w reg delete 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE /f
# Wine has neither Paint nor a volume mixer: there the service must say so.
have_paint=0 have_mixer=0
[ -f "$WINEPREFIX/drive_c/windows/system32/mspaint.exe" ] && have_paint=1
[ -f "$WINEPREFIX/drive_c/windows/system32/sndvol.exe" ] && have_mixer=1

# Another program holds CTRL+ALT+K before the service starts.
wine "$BIN/rune_probe.exe" hold $CTRL_ALT 0x4B 120000 </dev/null >"$WORK/hold.out" 2>/dev/null &
HOLD_PID=$!
for _ in $(seq 100); do grep -q held "$WORK/hold.out" 2>/dev/null && break; sleep 0.1; done
check "another program holds CTRL+ALT+K" grep -q held "$WORK/hold.out"

set_store \
    "1 1 0 0 65 $FIRE_A" \
    "1 1 0 0 66 $FIRE_B" \
    "1 1 0 0 75 $FIRE_C" \
    "1 1 0 0 66 $FIRE_C" \
    "1 1 0 0 49 eject.cd.tray" \
    "1 1 0 0 50 close.cd.tray" \
    "1 1 0 0 61 increase.volume" \
    "1 1 0 0 45 decrease.volume" \
    "1 0 1 0 91 standby" \
    "1 1 0 0 52 power.off" \
    "1 1 0 0 53 shutdown" \
    "1 1 0 0 54 reboot" \
    "1 1 0 0 96 log.off" \
    "this is not a record" \
    "1 1 0 0 78 notepad" \
    "1 1 0 0 82 regedit" \
    "1 1 0 0 67 command" \
    "1 1 0 0 77 mspaint" \
    "1 1 0 0 83 start.screensaver" \
    "1 1 0 0 84 Z:\\nowhere\\missing.exe" \
    "1 1 0 0 86 volume.control"

wine "$BIN/hotrune.exe" </dev/null >>"$WORK/wine.out" 2>&1 &
SERVICE_PID=$!
check "the service registers its shortcuts at start" wait_taken $CTRL_ALT 0x41

# ---- start-up report, and shortcuts work while it is open ----------------------------
check "the start-up message is on the screen" quiet probe window Hotrune 15000
press ctrl+alt+a
check "a shortcut starts its program while the message is open" wait_fires a 1
text=$(probe msgbox Hotrune 5000)
check "the message names the combination another program holds" grep -q 'CTRL+ALT+K (.*fire_c.exe): another program already uses this key combination (error 1409)' <<<"$text"
check "the message names the damaged record" grep -q 'number 14 ("this is not a record")' <<<"$text"
check "the start-up message is one box" test "$(probe msgbox Hotrune 1000)" = ""

# ---- program start, working folder, shared shortcut, held key ------------------------
check "the program ran in its own folder" grep -qxF "fire_a.exe $(winpath "$WORK/a")" <(tr -d '\r' <"$FIRE_LOG")
press ctrl+alt+b
check "two records on one shortcut start both programs" wait_fires b 1
check "... the second one too" wait_fires c 1
xdotool windowfocus --sync "$DESK" 2>/dev/null
xdotool keydown ctrl+alt+a; sleep 1.5; xdotool keyup ctrl+alt+a
sleep 1
check "a held key fires once (fire_a twice in all: $(fires a))" test "$(fires a)" -eq 2

# ---- functions recorded through the seam ---------------------------------------------
for key in ctrl+alt+1 ctrl+alt+2 ctrl+alt+equal ctrl+alt+minus ctrl+shift+bracketleft \
           ctrl+alt+4 ctrl+alt+5 ctrl+alt+6 ctrl+alt+grave; do
    press "$key"
    sleep 0.2
done
expected="eject.cd.tray close.cd.tray increase.volume decrease.volume standby power.off shutdown reboot log.off"
for _ in $(seq 50); do [ "$(actions)" = "$expected" ] && break; sleep 0.1; done
check "CD, volume and power shortcuts carry out their function (got: $(actions))" test "$(actions)" = "$expected"

# ---- applications and failures, for real ---------------------------------------------
press ctrl+alt+n
found=$(probe window Notepad 10000 close)
check "Notepad starts" grep -q Notepad <<<"$found"
check "Notepad is brought to the foreground" grep -qx foreground <<<"$found"
press ctrl+alt+r
check "Registry Editor starts" quiet probe window "Registry Editor" 10000 close
press ctrl+alt+c
check "Command Prompt starts" quiet probe process cmd.exe 10000 kill
press ctrl+alt+t
text=$(probe msgbox Hotrune 10000)
check "a program that cannot be started is named in a message" grep -q 'could not start "Z:\\nowhere\\missing.exe" for CTRL+ALT+T' <<<"$text"
press ctrl+alt+s
text=$(probe msgbox Hotrune 10000)
check "the screen saver shortcut says when no screen saver is chosen" grep -q 'no screen saver is chosen' <<<"$text"
if [ $have_paint = 0 ]; then
    press ctrl+alt+m
    text=$(probe msgbox Hotrune 10000)
    check "a missing system application is named in a message" grep -q 'could not start Paint for CTRL+ALT+M: mspaint.exe was not found' <<<"$text"
fi
if [ $have_mixer = 0 ]; then
    press ctrl+alt+v
    text=$(probe msgbox Hotrune 10000)
    check "... the volume mixer too" grep -q 'could not start Volume Control for CTRL+ALT+V: sndvol.exe was not found' <<<"$text"
fi

# ---- a reload of the same store ------------------------------------------------------
# The shortcuts already held stay held; the one another program held is tried again.
kill "$HOLD_PID" 2>/dev/null
wait "$HOLD_PID" 2>/dev/null
HOLD_PID=
for _ in $(seq 100); do [ "$(hotkey_state $CTRL_ALT 0x4B)" = free ] && break; sleep 0.1; done
probe broadcast WM_RELOADMAPPINGS
check "a reload takes a combination another program has let go" wait_taken $CTRL_ALT 0x4B
text=$(probe msgbox Hotrune 5000)
check "... and lists only the damaged record" \
    eval 'grep -q "number 14" <<<"$text" && ! grep -q "CTRL+ALT+K" <<<"$text"'
press ctrl+alt+a
check "a shortcut kept through the reload still fires" wait_fires a 3

# ---- reload ---------------------------------------------------------------------------
set_store "1 1 0 0 68 $FIRE_A" "1 1 0 0 66 $FIRE_B"
probe broadcast WM_RELOADMAPPINGS
check "after the reload the removed combination is free" test "$(hotkey_state $CTRL_ALT 0x41)" = free
check "after the reload the new combination is held" wait_taken $CTRL_ALT 0x44
check "a reload without problems shows no message" test "$(probe msgbox Hotrune 1500)" = ""
press ctrl+alt+d
check "the new shortcut fires" wait_fires a 4
press ctrl+alt+a
press ctrl+alt+b
wait_fires b 2
sleep 1
check "the removed shortcut does not fire (fire_a $(fires a) times)" test "$(fires a)" -eq 4
check "a record removed from a shared shortcut no longer runs (fire_c $(fires c) times)" test "$(fires c)" -eq 1

# ---- a second instance -----------------------------------------------------------------
start=$(date +%s)
timeout 30 wine "$BIN/hotrune.exe" </dev/null >>"$WORK/wine.out" 2>&1
status=$?
check "a second instance ends at once with status 0 (status $status, $(( $(date +%s) - start )) s)" \
    test $status -eq 0 -a $(( $(date +%s) - start )) -lt 20
check "the first instance keeps running and keeps its shortcuts" \
    eval 'kill -0 $SERVICE_PID 2>/dev/null && [[ $(hotkey_state $CTRL_ALT 0x44) == taken* ]]'

# ---- quit --------------------------------------------------------------------------------
if [ -f "$BIN/runestop.exe" ]; then
    w "$BIN/runestop.exe"
    how=runestop
else
    probe broadcast WM_QUIT_HOTRUNE
    how="the quit broadcast"
fi
for _ in $(seq 150); do kill -0 "$SERVICE_PID" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$SERVICE_PID" 2>/dev/null; then
    not_ok "$how ends the service"
else
    wait "$SERVICE_PID"
    status=$?
    check "$how ends the service with status 0 (status $status)" test $status -eq 0
    SERVICE_PID=
fi
check "its hotkeys are free again" \
    eval '[ "$(hotkey_state $CTRL_ALT 0x44)" = free ] && [ "$(hotkey_state $CTRL_ALT 0x42)" = free ]'

echo "$failures failure(s)"
[ $failures -eq 0 ]
