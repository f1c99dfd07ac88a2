#!/usr/bin/env bash
# Runs the reliability campaign (the ctest label "reliability": registry faults, model-based
# sequences, hostile stored values, resources and hangs under Wine, and a 60 s native fuzz run)
# and writes its figures to docs/reliability.md.
#   bash scripts/reliability.sh               build build/x86_64, run, write docs/reliability.md
#   bash scripts/reliability.sh --soak-minutes 60   the service's long run for an hour instead of
#                                                    the default 90 s (at least 10 for the report)
#   RUNE_BUILD_DIR=build/mine bash scripts/reliability.sh   another x86_64 build folder
#   RELIABILITY_REPORT=/tmp/r.md bash scripts/reliability.sh   write the report elsewhere
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${RUNE_BUILD_DIR:-build/x86_64}
report=${RELIABILITY_REPORT:-docs/reliability.md}
start=$(date +%s)
soak_minutes=
while [ $# -gt 0 ]; do
    case "$1" in
        --soak-minutes) soak_minutes=${2:-}; shift 2 ;;
        *) echo "reliability: unknown argument $1" >&2; exit 2 ;;
    esac
done
case "$soak_minutes" in
    ""|*[!0-9]*) [ -z "$soak_minutes" ] || { echo "reliability: --soak-minutes takes whole minutes" >&2; exit 2; } ;;
esac

bash scripts/deps.sh || { echo "reliability: missing packages (see above)" >&2; exit 1; }
stop_wine() { bash tests/wine-run.sh --stop "$root/$build" >/dev/null 2>&1 || true; }
trap stop_wine EXIT

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" || exit 1
fi
nice cmake --build "$build" -j2 || { echo "reliability: the build failed" >&2; exit 1; }

if [ -n "${RUNE_TEST_DISPLAY:-}" ]; then export DISPLAY=$RUNE_TEST_DISPLAY; else export RUNE_XVFB=1; fi
summary=$(mktemp)
( cd "$build" && ctest -L reliability -j2 --output-on-failure ) | tee "$summary"
status=${PIPESTATUS[0]}
log=$build/Testing/Temporary/LastTest.log

# Per test: passed, failed (a check or a crash) or timed out (a hang).
failed=$(grep -E '^ *[0-9]+/[0-9]+ Test +#' "$summary" | grep -v 'Passed' | grep -vc 'Timeout')
timeouts=$(grep -E '^ *[0-9]+/[0-9]+ Test +#' "$summary" | grep -c 'Timeout')
tests=$(grep -E '^ *[0-9]+/[0-9]+ Test +#' "$summary" | grep -c 'reliability')
rm -f "$summary"

figures=$(grep -a '^RELIABILITY|' "$log" | tr -d '\r')

# The long run of the service: outside ctest (its time-out fits the default run), in place of
# the default run's row.
if [ -n "$soak_minutes" ]; then
    soak_log=$(mktemp)
    ( cd "$build" && RUNE_SOAK_SECONDS=$(( soak_minutes * 60 )) bash "$root/tests/wine-run.sh" \
        "bin/reliability_service.exe" --gtest_filter='ServiceCampaign.HoursOfRunningCompressed' ) \
        2>&1 | tr -d '\r' | tee "$soak_log" | grep -a -e '^RELIABILITY|' -e '^\[  ' || true
    if grep -q '^\[  PASSED  \] 1 test' "$soak_log"; then
        figures=$(grep -v '^RELIABILITY|service|[0-9]* [ms]\(in\)\? of reload bursts' <<<"$figures")
    else
        echo "reliability: the long run of the service failed" >&2
        status=1
        failed=$(( failed + 1 ))
    fi
    figures+=$'\n'$(grep -a '^RELIABILITY|' "$soak_log")
    rm -f "$soak_log"
fi
fuzz=$(grep -a '^fuzz: record text' "$log" | tr -d '\r' | tail -n 1)
fuzz_runs=$(sed -n 's/^fuzz: record text, \([0-9]*\)s, \([0-9?]*\) inputs.*/\2/p' <<<"$fuzz")
fuzz_secs=$(sed -n 's/^fuzz: record text, \([0-9]*\)s.*/\1/p' <<<"$fuzz")
corpus=$(ls tests/fuzz/corpus | wc -l)

lost=$(awk -F'|' '$2 ~ /-total$/ || $2 == "resources" || $2 == "hangs" { s += $5 } END { print s + 0 }' <<<"$figures")
service_bad=$(awk -F'|' '$2 == "service" { s += $5 } END { print s + 0 }' <<<"$figures")
hung_bcast=$(awk -F'|' '$2 == "hangs" { s += $5 } END { print s + 0 }' <<<"$figures")

{
    echo "# Reliability"
    echo
    echo "Produced by \`bash scripts/reliability.sh\` on $(date -u +%Y-%m-%d) (Wine $(wine --version 2>/dev/null | sed 's/^wine-//'), $(nproc) cores), in $(( $(date +%s) - start )) s."
    echo "It runs \`ctest -L reliability\` ($tests tests) and collects the figures the tests print."
    echo "A violation is a record lost, doubled or changed, a failure reported as success, a key left open, a leak or a hang."
    echo
    echo "| What was tried | Tried | Violations | Notes |"
    echo "|---|---:|---:|---|"
    for area in faults-total faults-notfound-total model-total hostile-total; do
        awk -F'|' -v a="$area" '$2 == a { printf "| %s | %s | %s | %s |\n", $3, $4, $5, $6 }' <<<"$figures"
    done
    echo "| fuzz executions, ParseRecordText and the Format/Parse round trip (ASan, UBSan), ${fuzz_secs:-?} s | ${fuzz_runs:-?} | $([ -n "$fuzz" ] && echo 0 || echo '?') | starting corpus: $corpus files in tests/fuzz/corpus |"
    awk -F'|' '$2 == "resources" || $2 == "hangs" { printf "| %s | %s | %s | %s |\n", $3, $4, $5, $6 }' <<<"$figures"
    awk -F'|' '$2 == "service" { printf "| Hotrune: %s | %s | %s | %s |\n", $3, $4, $5, $6 }' <<<"$figures"
    echo
    echo "| Outcome | Count |"
    echo "|---|---:|"
    echo "| records lost (or doubled, changed, reported wrongly) | $lost |"
    echo "| tests crashed or failed | $failed |"
    echo "| tests hung (ctest time-out) and broadcasts held up past their bound | $(( timeouts + hung_bcast )) |"
    echo "| Hotrune: a wrong target, a hotkey missing or left, a press unaccounted, a leak, a late quit | $service_bad |"
    echo
    echo "## Detail"
    echo
    echo "| Area | Case | Tried | Violations | Notes |"
    echo "|---|---|---:|---:|---|"
    awk -F'|' '$2 !~ /-total$/ && $2 != "resources" && $2 != "hangs" && $2 != "service" { printf "| %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6 }' <<<"$figures"
    echo
    echo "## What the figures mean"
    echo
    cat <<'TEXT'
- **faults**: for LoadAll, Append and RemoveAt (first, middle and last record) on stores of 0, 1, 3
  and 100 records, each registry call the operation makes (open, create, query, set, delete, close)
  is made to fail with ERROR_ACCESS_DENIED through the store's registry seam, one failure per run.
  After each run the key is read back raw: every record is still in the run with its exact bytes
  and type (RemoveAt: exactly the removed one is gone, or nothing changed), nothing appears after
  the run, every key opened is closed, and an operation that did not complete reports a failure.
- **faults-notfound**: each value query answers ERROR_FILE_NOT_FOUND instead. That answer means
  "this value does not exist", which is how the run of records ends, so the store takes it at its
  word: LoadAll ends there (reporting success), Append writes at that index (over the record that
  the registry said was not there) and RemoveAt ends its moves there (later records stay in the key
  after a gap). These outcomes are counted as "read as the end of the run", by design; anything
  else would be a violation.
- **model**: random sequences with fixed starting values of Append, RemoveAt and LoadAll against the registry,
  checked after every step against a plain list. The "user" removes rows of its last loaded list;
  in half of the sequences a second process (rune_second_writer.exe, on the same scratch key)
  appends or removes between steps, so that list goes stale; in half, one random registry call
  of a step fails. A removal of a stale row must not remove the record now in its place.
- **hostile**: stored values a hand edit or another program could leave, through the real main
  window: it starts, shows one row per value of the run, and removing the first, second and last
  row changes no other value (type and bytes). README, Troubleshooting, says what each shows.
- **resources**: GetGuiResources answers 0 under Wine, so GDI objects are counted in the
  process's GDI handle table (icons and image lists hold bitmaps there), USER objects as the
  windows of the process, private memory as PagefileUsage (PrivateUsage is 0 under Wine). Counted
  after a warm-up and at the end; allowed growth 16 objects and 4 MiB.
- **hangs**: a visible top-level window of another process stops answering; each broadcast must
  reach a listener process and end within 8 s (the broadcast gives up on a hung window after 2 s).
- **Hotrune** (the service in the test's process on its real window and a scratch store; the
  shortcuts are CTRL+ALT+SHIFT+A..I, each letter with a function of its own, recorded in a log
  instead of performed, so a log line names the key that fired it):
  - *registry calls failing*: each registry call of one reload fails in turn (ERROR_ACCESS_DENIED)
    after the store changed: the service keeps exactly the hotkeys it had and shows one box, also
    when the same failure comes again; or, for a failure the read survives (closing the key),
    holds the new store. Then a good reload: exactly the store's combinations are held (probed with
    RegisterHotKey from another thread) and a press of each of the nine fires exactly its records.
  - *reload storm*: reload broadcasts posted in bursts while rune_second_writer.exe appends and
    removes records and keys are pressed (sent as the system sends WM_HOTKEY, with the id the store
    gives the key at that moment). A press may meet a reload and run nothing; it must never run
    another key's function. Afterwards the same settled check; resources as below.
  - *hammered key*: WM_HOTKEY posted 500 times in 10 s for a program whose start takes 250 ms.
    Each press must be started (the program's own log) or refused (a "refused" line in the action
    log, the user told in one box); threads, programs at once and boxes are sampled.
  - *hostile*: the stored values of the hostile rows, met at start and at a reload: the service
    stays up, holds every combination of a well-formed record, and names the rest in one box of
    at most 4,000 characters.
  - *long run*: reload bursts, store rewrites, presses (the store settled: exactly its records
    fire) and idle periods, sampled at six even intervals (every minute from 10 minutes on;
    `--soak-minutes N` for a long run); no sample may exceed the first by the allowed growth.
  - *quit*: the real hotrune.exe gets "WM_QUIT_HOTRUNE" (broadcast as Runestop does) behind 200
    queued reloads, and right after a press that starts a program: it must end with status 0
    within 2 s, and this process then takes every one of its ten combinations.
  Resources as for Runeset, plus the process's handles (GetProcessHandleCount, under Wine the
  system's handle list) and threads.
TEXT
} >"$report.tmp" && mv "$report.tmp" "$report"
echo "reliability: report written to $report"
[ "$status" -eq 0 ] || { echo "reliability: FAILED (ctest status $status); see $log" >&2; exit 1; }
echo "reliability: all passed"
