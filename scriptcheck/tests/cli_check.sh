#!/usr/bin/env bash
# The native program as authors run it: usage, unreadable scripts, -C and
# the exit status by the worst finding.
#   cli_check.sh SCRIPTCHECK SOURCE_DIR
set -u
program=$1 source=$2
failures=0
expect() { # expect STATUS LINES COMMAND...: the exit status and the count of finding lines
    local status=$1 lines=$2
    shift 2
    local out got
    out=$("$@" 2>/dev/null)
    got=$?
    local count
    count=$(grep -c ': \(error\|warning\|note\): ' <<<"$out")
    if [ "$got" != "$status" ] || [ "$count" != "$lines" ]; then
        echo "FAIL: $* gave exit status $got and $count findings, expected $status and $lines" >&2
        echo "$out" >&2
        failures=$((failures + 1))
    fi
}
expect 3 0 "$program"
expect 3 0 "$program" -C
expect 3 0 "$program" "$source/no-such-script.ini"
# The demo's appended file lies in examples/demo: without -C the checker
# cannot follow it, says so, and keeps what depends on it a warning.
expect 1 9 "$program" "$source/examples/demo.ini"
expect 1 1 "$program" -C "$source/examples/demo" "$source/examples/demo.ini"
# Its name holds a "-": a finding of its own.
expect 2 5 "$program" "$source/scriptcheck/tests/wine-traps.ini"
# Several scripts: the worst status of them all.
expect 2 6 "$program" -C "$source/examples/demo" "$source/examples/demo.ini" "$source/scriptcheck/tests/wine-traps.ini"
expect 3 1 "$program" -C "$source/examples/demo" "$source/examples/demo.ini" "$source/no-such-script.ini"
[ "$failures" = 0 ] && echo "cli_check: all cases passed"
exit $((failures > 0))
