#!/usr/bin/env bash
# The test application on the desktop backend (run under xvfb-run): a click on its window arrives
# as touch id 0, and closing the window ends the run with exit code 0.
set -uo pipefail
app=$1
xclose=$2
. "$(dirname "$0")/common.sh"
make_scratch
export VORN_PLATFORM=sdl

"$app" > "$work/out" 2> "$work/err" &
pid=$!
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
# What the application said, for any failure below.
fail() {
    echo "--- output:"; cat "$work/out"; echo "--- errors:"; grep -v '^ALSA' "$work/err"
    echo "FAIL: $*" >&2
    exit 1
}

# Found by process: this xdotool does not match the UTF-8 window names SDL sets.
window=$(timeout 90 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
[ -n "$window" ] || fail "no window"
# Clicks go where the pointer is: only once the window is drawn does it stay where it is.
wait_for_line "$work/out" "^first frame$" 90
expect_line "$work/out" "start 480x800"

# The pointer moves in first: hovering is no touch.
xdotool mousemove --sync --window "$window" 100 200
sleep 0.3
xdotool click 1
wait_for_line "$work/out" "^touch-up " 60
grep -qE '^touch-down 100 200 0 at [0-9]+ms$' "$work/out" || fail "the click did not arrive as a touch at 100,200 with id 0"
grep -qE '^touch-up 100 200 0 at [0-9]+ms$' "$work/out" || fail "the release did not arrive"
refuse_line "$work/out" "^touch-move"

"$xclose" "$window" || fail "could not ask the window to close"
for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the application did not exit after the window was closed"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
expect_line "$work/out" "exit audio-thread=0"
grep -qE '^release frames=[0-9]+ ms=[0-9]+$' "$work/out" || fail "no shutdown"
echo "ok"
