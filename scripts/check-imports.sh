#!/usr/bin/env bash
# Fails when a Windows program imports a DLL that is not part of Windows itself, so that each
# shipped .exe runs on a bare system without extra runtime DLLs beside it.
#   bash scripts/check-imports.sh program.exe [more.exe ...]
set -euo pipefail

# Lower case. Extend only with DLLs that every supported Windows version ships.
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll comdlg32.dll
ole32.dll oleaut32.dll shlwapi.dll msvcrt.dll version.dll uxtheme.dll winmm.dll ws2_32.dll
imm32.dll powrprof.dll"

[ $# -gt 0 ] || { echo "usage: check-imports.sh program.exe..." >&2; exit 2; }
objdump=
for tool in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump objdump; do
    if command -v "$tool" >/dev/null; then objdump=$tool; break; fi
done
[ -n "$objdump" ] || { echo "check-imports.sh: no objdump for PE files (install binutils-mingw-w64)" >&2; exit 2; }

status=0
for exe in "$@"; do
    if [ ! -f "$exe" ]; then
        echo "check-imports.sh: $exe: no such file" >&2
        status=1
        continue
    fi
    # i686 objdump cannot read 64-bit files; the x86_64 one reads both.
    dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr 'A-Z' 'a-z' | tr -d '\r' | sort -u)
    if [ -z "$dlls" ]; then
        echo "check-imports.sh: $exe: no import table found" >&2
        status=1
        continue
    fi
    bad=
    for dll in $dlls; do
        case " $(echo $allowed) " in *" $dll "*) ;; *) bad="$bad $dll" ;; esac
    done
    if [ -n "$bad" ]; then
        echo "FAIL $exe imports non-system DLLs:$bad" >&2
        status=1
    else
        echo "ok   $exe imports only system DLLs: $(echo $dlls)"
    fi
done
exit $status
