#!/usr/bin/env bash
# Builds the two downloads from the shipped 32-bit programs:
#   dist/hotrune-<version>-win32.msi   per-user Windows Installer package (made with wixl)
#   dist/hotrune-<version>-win32.zip   the three programs and README.txt, for a portable install
# The version is the CMake project version (CMakeLists.txt), as in the programs' VERSIONINFO.
#
#   bash scripts/package.sh
#   bash scripts/package.sh --build DIR [--bin DIR] [--version V] [--out DIR] [--no-build]
#       --build    build folder to package (default build/i686); the version comes from its cache
#       --bin      take the programs from this folder instead of <build>/bin
#       --version  stamp another version on the packages (the package test's "newer build")
#       --out      where to write the packages (default dist/)
#       --no-build package what is there, without building first
# A 64-bit build folder gives win64 packages; the package test uses them because only 64-bit
# programs run under Wine here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

die() { echo "package: $*" >&2; exit 1; }

build=build/i686 bin= version= out=dist do_build=1
while [ $# -gt 0 ]; do
    case $1 in
        --build) build=${2:?--build needs a folder}; shift 2 ;;
        --bin) bin=${2:?--bin needs a folder}; shift 2 ;;
        --version) version=${2:?--version needs a version}; shift 2 ;;
        --out) out=${2:?--out needs a folder}; shift 2 ;;
        --no-build) do_build=0; shift ;;
        *) echo "usage: bash scripts/package.sh [--build DIR] [--bin DIR] [--version V] [--out DIR] [--no-build]" >&2
           exit 2 ;;
    esac
done

# The tools first, so that a long build is not wasted on a machine that cannot finish.
command -v wixl >/dev/null || die "wixl is not installed: install the Debian package wixl (apt-get install wixl), or run: bash scripts/deps.sh"
command -v zip >/dev/null || die "zip is not installed: install the Debian package zip (apt-get install zip), or run: bash scripts/deps.sh"

if [ $do_build = 1 ]; then
    arch=$(basename "$build")
    [ -f "cmake/mingw-$arch.cmake" ] || die "cannot build $build (no cmake/mingw-$arch.cmake); build it yourself and add --no-build"
    bash scripts/build.sh --programs "$arch" || die "the build failed (see above)"
fi
[ -n "$bin" ] || bin=$build/bin

if [ -z "$version" ]; then
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
    [ -n "$version" ] || die "no project version in $build/CMakeCache.txt: build first (bash scripts/build.sh i686)"
fi
# Windows Installer versions are major.minor.build, at most 255.255.65535.
IFS=. read -r v1 v2 v3 v4 <<<"$version"
for part in "$v1" "${v2:-0}" "${v3:-0}"; do
    [[ $part =~ ^[0-9]+$ ]] || die "version '$version' is not made of numbers"
done
[ "$v1" -le 255 ] && [ "${v2:-0}" -le 255 ] && [ "${v3:-0}" -le 65535 ] ||
    die "version '$version' is too large for Windows Installer (at most 255.255.65535)"
msi_version=$v1.${v2:-0}.${v3:-0}
# The installer replaces every installed version up to this one, other builds of it included.
if [ "${v3:-0}" -lt 65535 ]; then upgrade_below=$v1.${v2:-0}.$(( ${v3:-0} + 1 )); else upgrade_below=$v1.$(( ${v2:-0} + 1 )).0; fi

programs=(hotrune.exe runeset.exe runestop.exe)
for exe in "${programs[@]}"; do
    [ -f "$bin/$exe" ] || die "$bin/$exe is missing: a package without it would install a broken product"
done
paths=()
for exe in "${programs[@]}"; do paths+=("$bin/$exe"); done
bash scripts/check-imports.sh "${paths[@]}" || die "a program imports a DLL that Windows does not have"

case $(x86_64-w64-mingw32-objdump -f "$bin/hotrune.exe" | sed -n 's/.*file format //p') in
    pei-i386) platform=win32 wixl_arch=x86 system_dir=SystemFolder ;;
    pei-x86-64) platform=win64 wixl_arch=x64 system_dir=System64Folder ;;
    *) die "$bin/hotrune.exe is not a Windows program" ;;
esac
name=hotrune-$version-$platform

stage=$(mktemp -d "${TMPDIR:-/tmp}/rune-package.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out"

# The MSI: wixl reads its sources relative to the folder it runs in.
mkdir "$stage/msi"
cp "${paths[@]}" "$stage/msi/"
cp packaging/hotrune.wxs "$stage/msi/"
cp runeset/art/runeset.ico "$stage/msi/hotrune.ico"
( cd "$stage/msi" && wixl -a "$wixl_arch" -D Version="$msi_version" -D UpgradeBelow="$upgrade_below" -D SystemDir="$system_dir" -o "$name.msi" hotrune.wxs ) ||
    die "wixl could not build the installer (see above)"

# The zip: one folder with the programs and a README.txt with Windows line ends.
mkdir -p "$stage/zip/Hotrune"
cp "${paths[@]}" "$stage/zip/Hotrune/"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/README.txt >"$stage/zip/Hotrune/README.txt"
( cd "$stage/zip" && zip -q -X -r "$name.zip" Hotrune ) || die "zip failed"

# Replace the old packages only when both new ones are made.
mv -f "$stage/msi/$name.msi" "$out/$name.msi"
mv -f "$stage/zip/$name.zip" "$out/$name.zip"
echo "package: $out/$name.msi"
echo "package: $out/$name.zip"
