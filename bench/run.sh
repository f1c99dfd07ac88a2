#!/usr/bin/env bash
# THE benchmark command: builds what it needs, runs every case under Wine with the server kept
# running, and prints one table of medians and ratios against the baselines of bench/.
#   bash bench/run.sh [--runs N] [--warmup N] [--only runeset|runestop|hotrune]
#       (defaults 15 and 3, every program; a full run takes 4-8 minutes, the hotrune rows about 2)
# It uses a Wine prefix and Xvfb of its own (build/x86_64/wine-bench), so it never disturbs the
# tests' prefix, and stops both at the end. RUNE_BENCH_DISPLAY=:N uses that display instead;
# RUNE_BENCH_BUILD=build/mine- builds in build/mine-x86_64 and build/mine-i686 instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

runs=15
warmup=3
only=
usage() { echo "usage: bash bench/run.sh [--runs N] [--warmup N] [--only runeset|runestop|hotrune]" >&2; exit 2; }
while [ $# -gt 0 ]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --warmup) warmup=$2; shift 2 ;;
        --only) only=$2; shift 2 ;;
        *) usage ;;
    esac
done
# The driver's cases of each program; the peak memory and file size rows are run.sh's own.
case $only in
    "") cases=() ;;
    runeset) cases=(start start-empty floor reload store) ;;
    runestop) cases=(stop) ;;
    hotrune) cases=(service-start service-reload service-key service-idle) ;;
    *) usage ;;
esac

bash scripts/deps.sh >/dev/null || { echo "bench: missing packages (run: bash scripts/deps.sh)" >&2; exit 1; }
# GNU time reads the peak memory of the programs that end by themselves (see below).
if [ ! -x /usr/bin/time ]; then
    [ "$(id -u)" -eq 0 ] || { echo "bench: needs /usr/bin/time: apt-get install time" >&2; exit 1; }
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends time </dev/null >/dev/null
fi

programs=(runeset runestop hotrune bench_min_exit bench_min_user32 bench_min_dialog bench_min_window)
build=${RUNE_BENCH_BUILD:-build/}
for arch in x86_64 i686; do
    dir=$build$arch
    if [ ! -f "$dir/build.ninja" ]; then
        echo "== configure $dir"
        cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
            -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    echo "== build $dir"
    targets=("${programs[@]}")
    [ "$arch" = x86_64 ] && targets+=(bench_driver bench_marker rune_listener)
    nice cmake --build "$dir" --target "${targets[@]}" | grep -v '^\[' || true
    for p in "${targets[@]}"; do
        [ -f "$dir/bin/$p.exe" ] || { echo "bench: $dir/bin/$p.exe was not built" >&2; exit 1; }
    done
done

export RUNE_WINE_DIR=$root/${build}x86_64/wine-bench
if [ -n "${RUNE_BENCH_DISPLAY:-}" ]; then export DISPLAY=$RUNE_BENCH_DISPLAY; else export RUNE_XVFB=1; fi
stop_wine() { bash tests/wine-run.sh --stop >/dev/null 2>&1 || true; }
trap stop_wine EXIT
echo "== Wine prefix, display and a persistent wineserver ($RUNE_WINE_DIR)"
eval "$(bash tests/wine-run.sh --env)"
export WINEARCH=win64

out=$(mktemp -d)
trap 'stop_wine; rm -rf "$out"' EXIT
bin=${build}x86_64/bin

echo "== cases in Wine (bench_driver.exe --runs $runs --warmup $warmup ${cases[*]})"
status=0
bash tests/wine-run.sh "$bin/bench_driver.exe" --runs "$runs" --warmup "$warmup" "${cases[@]}" | tr -d '\r' |
    tee "$out/driver.txt" | grep --line-buffered -v '^ROW|' || status=$?
grep '^ROW|' "$out/driver.txt" | cut -d'|' -f2- >"$out/rows.txt" || true

size_row() {  # name, program, baseline
    for arch in i686 x86_64; do
        local s b
        s=$(stat -c %s "$build$arch/bin/$2.exe")
        b=$(stat -c %s "$build$arch/bin/$3.exe")
        awk -v n="$1 ($arch)" -v s="$s" -v b="$b" \
            'BEGIN { printf "%s|%.1f KiB|%.1f KiB|%.2f|-|-\n", n, s / 1024, b / 1024, s / b }' >>"$out/rows.txt"
    done
}
if [ -z "$only" ] || [ "$only" = runestop ]; then
    # Peak memory of the programs that end by themselves. Wine reads a process's peak working set
    # from Linux (VmHWM), which is gone once it has ended, so GNU time reads the same figure, the
    # peak resident size, from the kernel when the program's process is reaped.
    echo "== peak memory of the programs that end by themselves ($runs runs each)"
    peak_kib() { /usr/bin/time -f %M -o "$out/time.txt" wine "$1" >/dev/null 2>&1 </dev/null; cat "$out/time.txt"; }
    median() { sort -n | awk '{a[NR]=$1} END {if (NR == 0) print 0; else if (NR % 2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }
    peakers=(runestop bench_min_exit bench_min_user32)
    for _ in $(seq "$warmup"); do for p in "${peakers[@]}"; do peak_kib "$bin/$p.exe" >/dev/null; done; done
    for p in "${peakers[@]}"; do : >"$out/$p.kib"; done
    for _ in $(seq "$runs"); do for p in "${peakers[@]}"; do peak_kib "$bin/$p.exe" >>"$out/$p.kib"; done; done
    stop_kib=$(median <"$out/runestop.kib")
    exit_kib=$(median <"$out/bench_min_exit.kib")
    user32_kib=$(median <"$out/bench_min_user32.kib")
    awk -v s="$stop_kib" -v b="$exit_kib" -v u="$user32_kib" 'BEGIN {
        r = s / b; printf "Runestop peak working set|%.1f MiB|%.1f MiB|%.2f|<= 1.10|%s\n", s / 1024, b / 1024, r, (r <= 1.10 ? "met" : "MISSED")
        printf "  the same, against a program that only registers a message|%.1f MiB|%.1f MiB|%.2f|-|-\n", s / 1024, u / 1024, s / u
    }' >>"$out/rows.txt"

    size_row "File size runestop.exe" runestop bench_min_exit
fi
if [ -z "$only" ] || [ "$only" = runeset ]; then
    size_row "File size runeset.exe" runeset bench_min_dialog
fi
if [ -z "$only" ] || [ "$only" = hotrune ]; then
    size_row "File size hotrune.exe" hotrune bench_min_window
fi

echo
echo "Date: $(date '+%Y-%m-%d %H:%M %Z')   Machine: $(nproc) cores, $(wine --version 2>/dev/null), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Command: bash bench/run.sh --runs $runs --warmup $warmup${only:+ --only $only}   (medians of $runs runs after $warmup warm-up runs)"
echo
{
    echo "Case|Subject|Baseline|Ratio|Target|Result"
    cat "$out/rows.txt"
} | column -t -s '|' -o ' | '
if [ $status -ne 0 ] || grep -q '^# FAILED' "$out/driver.txt"; then
    echo "bench: some cases failed (see the lines marked FAILED above)" >&2
    exit 1
fi
