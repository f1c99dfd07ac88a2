#!/usr/bin/env bash
# THE test command: installs what is missing, builds both architectures, checks that the shipped
# programs import only system DLLs, and runs every test under Wine from build/x86_64.
#   bash scripts/test.sh [extra ctest arguments, e.g. -R runestop]
# Wine and the private Xvfb of the build folder are stopped at the end, whatever happened.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
start=$(date +%s)

bash scripts/deps.sh || { echo "test: missing packages (see above); cannot build or test" >&2; exit 1; }

stop_wine() { bash tests/wine-run.sh --stop "$root/build/x86_64" >/dev/null 2>&1 || true; }
trap stop_wine EXIT

bash scripts/build.sh x86_64 i686

echo "== imports of the shipped programs"
exes=()
for arch in i686 x86_64; do
    for prog in runestop runeset; do
        [ -f "build/$arch/bin/$prog.exe" ] && exes+=("build/$arch/bin/$prog.exe")
    done
done
[ -f build/i686/bin/runestop.exe ] || { echo "test: build/i686/bin/runestop.exe was not built" >&2; exit 1; }
bash scripts/check-imports.sh "${exes[@]}"

echo "== tests (under Wine)"
# Tests take their own desktop lock; two at a time is safe and uses both cores of a small machine.
# A private Xvfb unless RUNE_TEST_DISPLAY names a display: test windows and synthetic key presses
# must not land on the user's screen.
if [ -n "${RUNE_TEST_DISPLAY:-}" ]; then
    export DISPLAY=$RUNE_TEST_DISPLAY
else
    export RUNE_XVFB=1
fi
status=0
( cd build/x86_64 && ctest --output-on-failure -j2 "$@" ) || status=$?

echo "== done in $(( $(date +%s) - start )) s"
if [ $status -ne 0 ]; then
    echo "test: FAILED (ctest status $status); logs: build/x86_64/Testing/Temporary/LastTest.log" >&2
fi
exit $status
