# Sourced by the shell-driven tests: one line per check, "ok - ..." or "not ok - ...", and a
# count of the failures for the test's exit status.
failures=0
ok() { echo "ok - $*"; }
not_ok() { echo "not ok - $*"; failures=$((failures + 1)); }
check() {  # check <description> <command...>: passes when the command succeeds
    local what=$1; shift
    if "$@"; then ok "$what"; else not_ok "$what"; fi
}
