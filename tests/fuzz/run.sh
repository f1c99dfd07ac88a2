#!/usr/bin/env bash
# Builds the record-text fuzzer natively with clang and runs it for a while.
#   tests/fuzz/run.sh [seconds]   (default 60; a long run: tests/fuzz/run.sh 3600)
# The starting corpus in tests/fuzz/corpus stays unchanged; new inputs go to build/fuzz/corpus.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-60}
out=$root/build/fuzz
command -v clang++ >/dev/null || { echo "fuzz: clang++ is missing (apt-get install clang libclang-rt-14-dev)" >&2; exit 1; }
cmake -S "$here" -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$out" >/dev/null
mkdir -p "$out/corpus"
log=$out/fuzz.log
if ! "$out/record_fuzz" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 -artifact_prefix="$out/" \
        "$out/corpus" "$here/corpus" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "fuzz: FAILED, crashing input saved beside $out (see $log)" >&2
    exit 1
fi
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
echo "fuzz: record text, ${seconds}s, ${runs:-?} inputs, 0 failures"
