#!/usr/bin/env bash
# Exit codes of the process entry when a platform call fails: 1 for the screen calls, -1 (255)
# when navigator events cannot be requested; 2 from the stand-in for an unreadable event script.
set -uo pipefail
app=$1
here=$2
. "$here/common.sh"
make_scratch
export VORN_PLATFORM=headless VORN_EVENTS="$here/tap.events"

# run_failing CALL EXPECTED-STATUS STARTED: the run's status, and whether the application started.
run_failing() {
    VORN_FAIL=$1 "$app" > "$work/out" 2> "$work/err"
    local status=$?
    [ "$status" -eq "$2" ] || { cat "$work/out" "$work/err"; fail "$1: exit status $status, not $2"; }
    if [ "$3" = yes ]; then
        expect_line "$work/out" "start 480x800"
        expect_line "$work/out" "release frames=165 ms=3300"
    else
        refuse_line "$work/out" "^start"
    fi
}

run_failing navigator_request_events 255 no
run_failing screen_create_context 1 no
run_failing screen_create_window 1 no
run_failing screen_create_window_group 1 no
run_failing screen_destroy_window 1 yes
run_failing screen_destroy_context 1 yes
run_failing bps_initialize 255 no

echo "touch 1 2" > "$work/bad.events"
VORN_EVENTS="$work/bad.events" "$app" > "$work/out" 2> "$work/err"
status=$?
[ "$status" -eq 2 ] || fail "bad event script: exit status $status"
grep -q "line 1" "$work/err" || fail "bad event script: no line number in: $(cat "$work/err")"
echo "ok"
