#!/usr/bin/env bash
# The test application runs headless through the real process entry, started outside its sandbox,
# with its events from a script: the touches arrive at the scripted times, the out-of-range touch
# id never arrives, the application pauses in the background, and the run ends with exit code 0
# after the playback thread has stopped.
set -uo pipefail
app=$1
here=$2
. "$here/common.sh"
make_scratch

VORN_PLATFORM=headless VORN_EVENTS="$here/tap.events" "$app" > "$work/out" 2> "$work/err"
status=$?
[ "$status" -eq 0 ] || { cat "$work/out" "$work/err"; fail "exit status $status"; }

expect_line "$work/out" "start 480x800"
expect_line "$work/out" "touch-down 100 200 0 at 120ms"
expect_line "$work/out" "touch-move 110 210 0 at 180ms"
expect_line "$work/out" "touch-up 120 220 0 at 240ms"
refuse_line "$work/out" "256"
expect_line "$work/out" "focus 0"
expect_line "$work/out" "focus 1"
# 170 passes: the exit's pass does not tick, and three passes in the background do not update.
expect_line "$work/out" "release frames=165 ms=3300"
expect_line "$work/out" "exit audio-thread=0"

# The sandbox: data/ under $XDG_DATA_HOME/tessela, app/native/ showing the archives.
[ -d "$XDG_DATA_HOME/tessela/data" ] || fail "no data directory"
[ "$(cat "$XDG_DATA_HOME/tessela/app/native/data_common.pak")" = "archive" ] || fail "app/native does not show the archives"
echo "ok"
