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

# A failed build is reported at the end; the tests still run with whatever was built.
build_status=0
bash scripts/build.sh x86_64 i686 || build_status=$?

echo "== imports of the shipped programs"
exes=()
for arch in i686 x86_64; do
    for prog in runestop runeset hotrune; do
        [ -f "build/$arch/bin/$prog.exe" ] && exes+=("build/$arch/bin/$prog.exe")
    done
done
imports_status=0
for needed in build/i686/bin/{runestop,runeset,hotrune}.exe build/x86_64/bin/runestop.exe; do
    [ -f "$needed" ] || { echo "test: $needed was not built" >&2; imports_status=1; }
done
[ ${#exes[@]} -eq 0 ] || bash scripts/check-imports.sh "${exes[@]}" || imports_status=1

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
failed=0
if [ $build_status -ne 0 ]; then
    echo "test: FAILED: the build failed (see the compiler errors above)" >&2
    failed=1
fi
if [ $imports_status -ne 0 ]; then
    echo "test: FAILED: a shipped program is missing or imports a non-system DLL" >&2
    failed=1
fi
if [ $status -ne 0 ]; then
    echo "test: FAILED: tests failed (ctest status $status); full log: build/x86_64/Testing/Temporary/LastTest.log" >&2
    failed=1
fi
[ $failed -eq 0 ] && echo "test: all passed"
exit $failed
