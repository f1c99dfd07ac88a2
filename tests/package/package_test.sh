#!/usr/bin/env bash
# The packages end to end: scripts/package.sh builds the MSI and the zip from this build's programs
# (64-bit: 32-bit programs cannot run here), and Wine's real msiexec installs, upgrades and removes
# the MSI silently in a fresh prefix, with the real service started and stopped by the package.
#
#   bash tests/package/package_test.sh <build folder>      (ctest runs it as "package")
#
# The prefix lives in <build>/wine-package; a pristine copy of it, made once, gives every run a
# fresh one in a second or two. Waits are bounded and generous: they catch a hang, not speed.
set -uo pipefail

here=$(cd "$(dirname -- "$0")" && pwd -P)
root=$(cd "$here/../.." && pwd -P)
[ -n "${1:-}" ] && [ -d "$1/bin" ] || { echo "usage: $0 <build folder>" >&2; exit 2; }
BUILD=$(cd "$1" && pwd -P)
BIN=$BUILD/bin
for exe in hotrune.exe runeset.exe runestop.exe rune_pkgprobe.exe; do
    [ -f "$BIN/$exe" ] || { echo "missing $BIN/$exe: build first" >&2; exit 2; }
done
for tool in wixl msiinfo zip unzip; do
    command -v $tool >/dev/null || { echo "$tool is not installed (bash scripts/deps.sh)" >&2; exit 2; }
done

WORK=$(mktemp -d /tmp/rune-package.XXXXXX)
cleanup() {  # this test's wineserver and Xvfb end with it, whatever happened
    [ -d "$BUILD/wine-package" ] && RUNE_WINE_DIR=$BUILD/wine-package bash "$root/tests/wine-run.sh" --stop >/dev/null 2>&1
    [ -n "${RUNE_KEEP_WORK:-}" ] && { echo "kept $WORK"; return; }
    rm -rf "$WORK"
}
trap cleanup EXIT
. "$root/tests/common/checks.sh"
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
lower() { tr 'A-Z' 'a-z'; }

# ---- The packages -------------------------------------------------------------------------

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD/CMakeCache.txt")
IFS=. read -r v1 v2 v3 _ <<<"$version"
newer=$v1.${v2:-0}.$(( ${v3:-0} + 1 ))
DIST=$WORK/dist
package() {  # package [more package.sh arguments]: into $DIST unless --out follows
    bash "$root/scripts/package.sh" --build "$BUILD" --no-build --out "$DIST" "$@" >>"$WORK/package.out" 2>&1
}

check "package.sh makes the MSI and the zip of version $version" package
MSI1=$DIST/hotrune-$version-win64.msi
ZIP1=$DIST/hotrune-$version-win64.zip
check "  named after the project version" test -f "$MSI1" -a -f "$ZIP1"

# The newer build: the same programs with bytes appended (ignored by the loader), so that the
# test can tell which files are installed and which one the running service was started from.
mkdir -p "$WORK/newbin"
for exe in hotrune.exe runeset.exe runestop.exe; do
    { cat "$BIN/$exe"; printf 'newer build %s\n' "$newer"; } >"$WORK/newbin/$exe"
done
check "package.sh stamps a newer version ($newer)" package --bin "$WORK/newbin" --version "$newer"
MSI2=$DIST/hotrune-$newer-win64.msi

# Bad input: a program missing, no wixl, a version Windows Installer cannot hold.
mkdir -p "$WORK/badbin"
cp "$BIN/hotrune.exe" "$BIN/runeset.exe" "$WORK/badbin/"
refuses() {  # refuses <text the message must hold> <package.sh arguments...>
    local text=$1; shift
    ! bash "$root/scripts/package.sh" --build "$BUILD" --no-build --out "$WORK/bad" "$@" >"$WORK/refused.out" 2>&1 &&
        grep -q -- "$text" "$WORK/refused.out" && [ ! -e "$WORK/bad/hotrune-$version-win64.msi" ]
}
check "a missing program fails the packaging and is named" refuses "runestop.exe is missing" --bin "$WORK/badbin"
check "a version over 255 fails the packaging" refuses "too large" --version 256.0
mkdir -p "$WORK/nowixl"
ln -s "$(command -v dirname)" "$WORK/nowixl/dirname"
without_wixl() {
    ! env PATH="$WORK/nowixl" /bin/bash "$root/scripts/package.sh" --no-build >"$WORK/nowixl.out" 2>&1 &&
        grep -q 'install the Debian package wixl' "$WORK/nowixl.out"
}
check "without wixl, package.sh fails and names the package to install" without_wixl

msi_property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
check "the MSI's ProductVersion is $v1.${v2:-0}.${v3:-0}" test "$(msi_property "$MSI1" ProductVersion)" = "$v1.${v2:-0}.${v3:-0}"
check "the newer MSI keeps the UpgradeCode" test "$(msi_property "$MSI1" UpgradeCode)" = "$(msi_property "$MSI2" UpgradeCode)"
check "the MSI carries the three programs" \
    test "$(msiinfo export "$MSI1" File | tr -d '\r' | awk -F'\t' 'NR>3 {print $3}' | sort | tr '\n' ' ')" = "hotrune.exe runeset.exe runestop.exe "

# The zip: exactly the programs and README.txt, each program importing only system DLLs.
check_zip() {  # check_zip ZIP [programs folder it was made from]
    local zip=$1 from=${2:-$BIN} dir
    dir=$(mktemp -d "$WORK/zip.XXXXXX")
    [ "$(unzip -Z1 "$zip" | grep -v '/$' | sort | tr '\n' ' ')" = \
      "Hotrune/README.txt Hotrune/hotrune.exe Hotrune/runeset.exe Hotrune/runestop.exe " ] || return 1
    unzip -q "$zip" -d "$dir" || return 1
    bash "$root/scripts/check-imports.sh" "$dir"/Hotrune/*.exe >/dev/null || return 1
    local exe
    for exe in hotrune runeset runestop; do cmp -s "$dir/Hotrune/$exe.exe" "$from/$exe.exe" || return 1; done
    grep -q 'shell:startup' "$dir/Hotrune/README.txt" && grep -q $'\r$' "$dir/Hotrune/README.txt"
}
check "the zip holds the three programs and README.txt, importing only system DLLs" check_zip "$ZIP1"
cp "$ZIP1" "$WORK/broken.zip" && zip -q -d "$WORK/broken.zip" Hotrune/runestop.exe
check "  and the check fails for a zip without runestop.exe" eval '! check_zip "$WORK/broken.zip"'

# The shipped 32-bit packages, when this machine has built the 32-bit programs: made and
# checked, not installed (32-bit programs cannot run here).
I686=$(dirname "$BUILD")/i686
if [ -f "$I686/bin/hotrune.exe" ] && [ -f "$I686/bin/runeset.exe" ] && [ -f "$I686/bin/runestop.exe" ]; then
    check "package.sh makes the shipped win32 packages" \
        bash "$root/scripts/package.sh" --build "$I686" --no-build --out "$WORK/dist32" >>"$WORK/package.out" 2>&1
    check "  the win32 zip holds the 32-bit programs and README.txt" \
        check_zip "$WORK/dist32/hotrune-$version-win32.zip" "$I686/bin"
    check "  the win32 MSI is a 32-bit package" \
        eval '[[ $(msiinfo suminfo "$WORK/dist32/hotrune-$version-win32.msi") == *"Template: Intel;"* ]]'
fi

# ---- A fresh prefix -----------------------------------------------------------------------

export RUNE_WINE_DIR=$BUILD/wine-package RUNE_XVFB=1
PRISTINE=$BUILD/wine-package-pristine
stop_wine() { bash "$root/tests/wine-run.sh" --stop >/dev/null 2>&1; }
stop_wine
rm -rf "$RUNE_WINE_DIR/prefix"
if [ -f "$PRISTINE/.rune-ready" ]; then
    mkdir -p "$RUNE_WINE_DIR" && cp -a "$PRISTINE" "$RUNE_WINE_DIR/prefix"
else
    bash "$root/tests/wine-run.sh" --env >/dev/null || { echo "cannot set up Wine" >&2; exit 125; }
    stop_wine   # a quiet server, so the copy is whole
    rm -rf "$PRISTINE" && cp -a "$RUNE_WINE_DIR/prefix" "$PRISTINE"
fi
env_line=$(bash "$root/tests/wine-run.sh" --env) || { echo "cannot set up Wine" >&2; exit 125; }
eval "$env_line"

# No Wine process gets this script's output or a pipe: the service started by msiexec and the
# desktop inherit them and outlive the command.
w() { wine "$@" </dev/null >>"$WORK/wine.out" 2>&1; }
probe() {
    wine "$BIN/rune_pkgprobe.exe" "$@" </dev/null >"$WORK/probe.out" 2>>"$WORK/wine.out"
    local rc=$?
    tr -d '\r' <"$WORK/probe.out"
    return $rc
}
services() { probe paths hotrune.exe; }
count_services() { services | grep -c .; }
wait_services() {  # wait_services N: up to 20 s for exactly N running services
    local _
    for _ in $(seq 100); do [ "$(count_services)" = "$1" ] && return 0; sleep 0.2; done
    return 1
}

user=$(wine cmd /c 'echo %USERNAME%' </dev/null 2>/dev/null | tr -d '\r')
PROFILE=$WINEPREFIX/drive_c/users/$user
APP=$PROFILE/AppData/Local/Programs/Hotrune
APP_WIN="C:\\users\\$user\\AppData\\Local\\Programs\\Hotrune"
MENU=$PROFILE/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Hotrune
RUN='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run'
KEY='HKEY_CURRENT_USER\Software\Quillmarsh\Hotrune\KeyMappings'
IDC_ADD=$(sed -n 's/^#define IDC_ADD[[:space:]]*\([0-9]*\).*/\1/p' "$root/runeset/resource.h")

# The user's shortcuts, one of them the CTRL+ALT+N the service must take.
{
    printf 'REGEDIT4\r\n\r\n[%s]\r\n' "$KEY"
    printf '"0"="1 1 0 0 78 notepad"\r\n"1"="0 1 1 0 75 C:\\\\PROGRA~1\\\\tool.exe"\r\n"7"=dword:00000007\r\n'
} >"$WORK/store.reg"
w reg import "$(winpath "$WORK/store.reg")"
store_before=$(wine reg query "$KEY" </dev/null 2>/dev/null | tr -d '\r')

msi() {  # msi /i|/x FILE LOG: silent, with a verbose log
    wine msiexec "$1" "$(winpath "$2")" /qn /l*v "$(winpath "$WORK/$3")" </dev/null >>"$WORK/wine.out" 2>&1
}
log_text() {  # an msiexec log as text (Wine writes it in UTF-16 or ANSI)
    local log=$WORK/$1
    [ -f "$log" ] || return 0
    if [ "$(head -c2 "$log" | od -An -tx1 | tr -d ' ')" = fffe ]; then iconv -f UTF-16LE -t UTF-8 "$log"; else cat "$log"; fi |
        tr -d '\r'
}
show_log() { log_text "$1" | grep -iE 'error|failed|return value 3' | head -20; }  # what failed

files_are() {  # files_are DIR: the installed folder holds exactly the three programs of DIR
    [ "$(ls "$APP" 2>/dev/null | lower | sort | tr '\n' ' ')" = "hotrune.exe runeset.exe runestop.exe " ] || return 1
    local exe
    for exe in hotrune runeset runestop; do cmp -s "$APP/$exe.exe" "$1/$exe.exe" || return 1; done
}
menu_is_right() {
    [ "$(ls "$MENU" 2>/dev/null | sort | tr '\n' ' ')" = "Hotrune.lnk Runeset.lnk Runestop.lnk " ] || return 1
    local name target
    for name in Hotrune Runeset Runestop; do
        target=$(probe lnk "$(winpath "$MENU/$name.lnk")") || return 1
        [ "$(echo "$target" | lower)" = "$(echo "$APP_WIN\\$name.exe" | lower)" ] || return 1
    done
}
run_values() { wine reg query "$RUN" </dev/null 2>/dev/null | tr -d '\r' | grep -i 'hotrune'; }
run_value_is_right() {
    local values
    values=$(run_values)
    [ "$(echo "$values" | grep -c .)" = 1 ] || return 1
    [ "$(echo "$values" | lower)" = "$(printf '    hotrune    REG_SZ    "%s\\hotrune.exe"' "$APP_WIN" | lower)" ]
}
service_runs_installed() {  # exactly one service, started from the installed file
    wait_services 1 || return 1
    [ "$(services | cut -d' ' -f2- | lower)" = "$(echo "$APP_WIN\\hotrune.exe" | lower)" ]
}
hotkey_taken() {  # the service has read the store: CTRL+ALT+N (MOD_CONTROL|MOD_ALT, 'N') is held
    local _
    for _ in $(seq 50); do [ "$(probe hotkey 3 78)" = taken ] && return 0; sleep 0.2; done
    return 1
}

# ---- The programs carry the project version -----------------------------------------------

for exe in hotrune runeset runestop; do
    info=$(probe version "$(winpath "$BIN/$exe.exe")")
    check "$exe.exe: VERSIONINFO is $version" \
        test "$(echo "$info" | sed -n 's/^fixed //p')" = "$v1.${v2:-0}.${v3:-0}.0" -a \
             "$(echo "$info" | sed -n 's/^ProductVersion //p')" = "$version"
done

# ---- Install ------------------------------------------------------------------------------

echo "# install $version"
check "msiexec /i /qn installs (status 0)" msi /i "$MSI1" install1.log || show_log install1.log
check "  the three programs are in the user's Programs folder" files_are "$BIN"
check "  the Start-menu folder holds Runeset, Hotrune and Runestop, pointing at them" menu_is_right
check "  the Run value starts the installed service at logon, quoted" run_value_is_right
check "  the service runs, from the installed file" service_runs_installed
check "  and has read the shortcuts (CTRL+ALT+N is held)" hotkey_taken
pid1=$(services | cut -d' ' -f1)
w "$APP/hotrune.exe"
check "  a second start ends at once and leaves one service" \
    test "$(services | cut -d' ' -f1)" = "$pid1"

# ---- Upgrade ------------------------------------------------------------------------------

echo "# upgrade to $newer"
check "msiexec /i of the newer package installs over it (status 0)" msi /i "$MSI2" install2.log || show_log install2.log
check "  one copy: the folder holds exactly the newer programs" files_are "$WORK/newbin"
check "  nowhere else: one hotrune.exe on drive C:" \
    test "$(find "$WINEPREFIX/drive_c" -iname hotrune.exe | grep -c .)" = 1
check "  one menu folder, pointing at the programs" menu_is_right
check "  one Run value" run_value_is_right
check "  the service runs from the new files, restarted" service_runs_installed
check "  (a new process, not the old one)" test "$(services | cut -d' ' -f1)" != "$pid1"
check "  and holds CTRL+ALT+N" hotkey_taken
check "an older package does not install over the newer one" eval '! msi /i "$MSI1" downgrade.log'
# Wine's log leaves out the condition's message (Windows writes it); it names the failing launch
# condition check and the newer product it found.
downgrade_logged() {
    local log
    log=$(log_text downgrade.log)
    [[ $log == *"NEWERVERSIONFOUND = {"* && $log == *LaunchConditions* ]]
}
check "  and its log says why" downgrade_logged
check "  and leaves it as it was" files_are "$WORK/newbin"

# ---- Uninstall, with Runeset open -----------------------------------------------------------

echo "# uninstall while Runeset is open"
( cd "$APP" && wine "$APP/runeset.exe" </dev/null >>"$WORK/wine.out" 2>&1 & )
runeset_pid=$(probe window "Runeset v" 20000)
check "Runeset is open" test -n "$runeset_pid"
# With its Add wizard open too: the wizard is a second top-level window that must close as well.
probe click "Runeset v" "$IDC_ADD" >/dev/null
check "  with its Add wizard open" eval 'probe windows "$runeset_pid" 20000 >/dev/null'
check "msiexec /x /qn removes the product (status 0)" msi /x "$MSI2" uninstall.log || show_log uninstall.log
check "  Runeset was closed" eval '[ -z "$(probe paths runeset.exe)" ]'
check "  the service has stopped" wait_services 0
check "  the programs and their folder are gone" test ! -e "$APP"
check "  the menu folder is gone" test ! -e "$MENU"
check "  the Run value is gone" eval '[ -z "$(run_values)" ]'
check "  the user's shortcuts are unchanged" \
    test "$(wine reg query "$KEY" </dev/null 2>/dev/null | tr -d '\r')" = "$store_before"

# ---- Install while a service started by hand runs -------------------------------------------

echo "# install while the portable service runs"
unzip -q "$ZIP1" -d "$WINEPREFIX/drive_c/portable"
( cd "$WINEPREFIX/drive_c/portable/Hotrune" && wine hotrune.exe </dev/null >>"$WORK/wine.out" 2>&1 & )
check "the service from the zip runs" wait_services 1
check "msiexec /i installs (status 0)" msi /i "$MSI1" install3.log || show_log install3.log
sleep 2   # give the service the installer started time to find the running one
check "  one service runs" wait_services 1
check "  and holds CTRL+ALT+N" hotkey_taken
# Another build of the same version (a new product code) replaces it rather than joining it: after
# removing the rebuild, nothing of the first install is left.
check "package.sh makes another build of $version" package --out "$WORK/rebuild"
check "  which installs over the first (status 0)" msi /i "$WORK/rebuild/hotrune-$version-win64.msi" install4.log ||
    show_log install4.log
check "  one service runs" wait_services 1
check "msiexec /x removes it (status 0)" msi /x "$WORK/rebuild/hotrune-$version-win64.msi" uninstall2.log ||
    show_log uninstall2.log
check "  and nothing of the first build is left" test ! -e "$APP" -a ! -e "$MENU"
check "  and no service is left running" wait_services 0
check "  the shortcuts are still unchanged" \
    test "$(wine reg query "$KEY" </dev/null 2>/dev/null | tr -d '\r')" = "$store_before"

if [ $failures -ne 0 ]; then
    echo "FAILED: $failures check(s); the installer logs and Wine's output:"
    for log in "$WORK"/*.log; do echo "== $log"; show_log "$(basename "$log")"; done
    tail -20 "$WORK/package.out" "$WORK/wine.out" 2>/dev/null
    exit 1
fi
echo "all package checks passed"
