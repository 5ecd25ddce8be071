#!/bin/sh
# Runs a Windows program under Wine for the tests: run_under_wine.sh WINE PROGRAM [ARGS...].
# Now and then Wine fails to start a program at all: exit status 1 with nothing printed (seen
# about once in 200 starts here, at random). Such a start is tried again, up to twice; a program
# that printed anything is never run twice, so no test failure is ever retried away.
wine=$1
shift
output=$(mktemp) || exit 1
trap 'rm -f "$output"' EXIT
attempt=1
while :; do
    "$wine" "$@" >"$output" 2>&1
    status=$?
    if [ "$status" -eq 0 ] || [ -s "$output" ] || [ "$attempt" -ge 3 ]; then
        break
    fi
    echo "run_under_wine: $1 did not start (status $status, no output); trying again" >&2
    attempt=$((attempt + 1))
done
cat "$output"
exit "$status"
