#!/usr/bin/env bash
# Builds the programs (only what a user runs, not the tests) and starts the whole product under
# Wine on your display: the Hotrune service and Runeset, in one Wine desktop, so that a shortcut
# added in Runeset fires when its keys are pressed in that desktop.
#   bash scripts/start.sh                    Hotrune and Runeset in a Wine desktop window on $DISPLAY
#   bash scripts/start.sh --screenshot F.png no display needed: runs them on a private Xvfb for a few
#                                            seconds and saves a picture of the screen to F.png
#   bash scripts/start.sh --stop             stops the service and this Wine (Runeset too)
# They get their own Wine prefix, build/x86_64/wine-user, apart from the tests' prefix, so that the
# test run neither sees your shortcuts nor stops your service.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bin=build/x86_64/bin
export RUNE_WINE_DIR=$root/build/x86_64/wine-user

if [ "${1:-}" = --stop ]; then
    if [ -f "$RUNE_WINE_DIR/prefix/.rune-ready" ] && [ -f "$bin/runestop.exe" ]; then
        bash tests/wine-run.sh "$bin/runestop.exe" || true
    fi
    bash tests/wine-run.sh --stop
    echo "start: Hotrune, Runeset and their Wine are stopped"
    exit 0
fi

shot=
if [ "${1:-}" = --screenshot ]; then
    shot=${2:-}
    [ -n "$shot" ] || { echo "start: --screenshot needs a file name, e.g. --screenshot runeset.png" >&2; exit 2; }
    case $shot in /*) ;; *) shot=$PWD/$shot ;; esac
fi

bash scripts/deps.sh || { echo "start: missing packages (see above)" >&2; exit 1; }
# Only the programs: the tests and benchmarks are not needed to use them, and the first start is
# much quicker without them. A failed build must not start stale programs.
if ! bash scripts/build.sh --programs x86_64; then
    echo "start: the programs do not build; see the errors above" >&2
    exit 1
fi
for exe in runeset hotrune; do
    [ -f "$bin/$exe.exe" ] || { echo "start: the build ended but $bin/$exe.exe is missing" >&2; exit 1; }
done

if [ -z "$shot" ] && [ -z "${DISPLAY:-}" ]; then
    cat >&2 <<MSG
start: Runeset is a desktop program and needs a display, but DISPLAY is not set.
       Run this from a graphical session (or with ssh -X), or take a screenshot instead:
           bash scripts/start.sh --screenshot runeset.png   (your shortcuts, as Runeset starts)
           bash scripts/screenshot.sh                       (with sample shortcuts)
MSG
    exit 1
fi
[ -z "$shot" ] || export RUNE_XVFB=1
bash tests/wine-run.sh --env >/dev/null   # makes the prefix first (once, 10-20 s)

# The service, in the background; a second start (it is already running) ends at once. Its output
# goes to a file: it must not hold this terminal's pipes after Runeset has closed.
bash tests/wine-run.sh "$bin/hotrune.exe" </dev/null >>"$RUNE_WINE_DIR/hotrune.log" 2>&1 &

if [ -n "$shot" ]; then
    trap 'bash tests/wine-run.sh --stop >/dev/null 2>&1 || true' EXIT
    bash tests/wine-run.sh "$bin/runeset.exe" </dev/null >/dev/null 2>&1 &
    display=$(cat "$RUNE_WINE_DIR/xvfb.display")
    # Wait for Runeset's window (Wine's first start of the session also starts its services).
    for _ in $(seq 60); do
        DISPLAY=:$display xdotool search --name 'Runeset v' >/dev/null 2>&1 && break
        sleep 0.5
    done
    sleep 1   # let it finish painting
    DISPLAY=:$display import -window root -crop 1024x768+0+0 +repage "$shot"
    echo "start: screenshot saved to $shot"
    exit 0
fi

cat <<MSG
start: Hotrune (the service) and Runeset are starting on $DISPLAY, inside a 'Default - Wine desktop'
       window. Shortcuts fire while that window has the keyboard focus.
       To stop: Runeset's Shutdown button stops the service (Done closes Runeset); or, from here,
           bash scripts/start.sh --stop
MSG
bash tests/wine-run.sh "$bin/runeset.exe"
echo "start: Runeset closed; the service keeps running until Shutdown or: bash scripts/start.sh --stop"
