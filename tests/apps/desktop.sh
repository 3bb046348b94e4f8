#!/usr/bin/env bash
# The test application on the desktop backend (run under xvfb-run): its window carries the game's
# name, a click on it arrives as touch id 0, closing the window ends the run with exit code 0,
# frames are paced to the display although the virtual X server's swap never waits, and without a
# sound card the run says so in one line of its own. Then a run whose sound goes through the
# desktop's sound library to a device it opens (its null device), in a window larger than the
# desktop, ends cleanly too.
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
    echo "--- output:"; cat "$work/out"; echo "--- errors:"; cat "$work/err"
    echo "FAIL: $*" >&2
    exit 1
}

# Found by process: this xdotool does not match the UTF-8 window names SDL sets.
window=$(timeout 90 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
[ -n "$window" ] || fail "no window"
# Clicks go where the pointer is: only once the window is drawn does it stay where it is.
wait_for_line "$work/out" "^first frame$" 90
expect_line "$work/out" "start 480x800"
[ "$(xdotool getwindowname "$window")" = "Tessela" ] || fail "window title '$(xdotool getwindowname "$window")'"

# The pointer moves in first (the server has moved it when --sync returns, and the motion reaches
# the application before the click): hovering is no touch.
xdotool mousemove --sync --window "$window" 100 200 click 1
wait_for_line "$work/out" "^touch-up " 60
grep -qE '^touch-down 100 200 0 at [0-9]+ms$' "$work/out" || fail "the click did not arrive as a touch at 100,200 with id 0"
grep -qE '^touch-up 100 200 0 at [0-9]+ms$' "$work/out" || fail "the release did not arrive"
refuse_line "$work/out" "^touch-move"

# close_window: asks the window to close and waits for the application's exit; status is its
# exit status.
close_window() {
    "$xclose" "$window" || fail "could not ask the window to close"
    for _ in $(seq 600); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "the application did not exit after the window was closed"
    wait "$pid"
    status=$?
}

close_window
[ "$status" -eq 0 ] || fail "exit status $status"
expect_line "$work/out" "exit audio-thread=0"
grep -qE '^release frames=[0-9]+ ms=[0-9]+$' "$work/out" || fail "no shutdown"

# Paced, not spinning: a loaded machine only lowers the rate, so the bound is generous.
rate=$(sed -n 's/^display-rate //p' "$work/out")
read -r frames ms < <(sed -n 's/^release frames=\([0-9]*\) ms=\([0-9]*\)$/\1 \2/p' "$work/out")
[ "$ms" -gt 0 ] || fail "no time went by"
fps=$((frames * 1000 / ms))
echo "frames per second: $fps (display $rate)"
[ "$fps" -le $((rate * 2)) ] || fail "$fps frames a second on a $rate Hz display: the loop spins"

# The sound library's own complaints stay off the terminal; the run says it once itself when it
# has to play without sound.
refuse_line "$work/err" "^ALSA"
refuse_line "$work/err" "larger than the desktop"
[ "$(grep -c 'sound' "$work/err")" -le 1 ] || fail "more than one line about sound"
if [ "$(sed -n 's/^audio-sink //p' "$work/out")" != 1 ]; then
    expect_line "$work/err" "vorn-testapp: no sound device could be opened; playing without sound"
fi

# The same program with a sound device the desktop's sound library opens: closing its output
# must reach that library, not the platform's output of the same name. Its window is taller than
# the desktop, which it says, keeping the size.
export HOME="$work/home" SDL_AUDIODRIVER=alsa
mkdir -p "$HOME"
echo 'pcm.!default { type null }' > "$HOME/.asoundrc"
VORN_SCREEN=600x1100 "$app" > "$work/out" 2> "$work/err" &
pid=$!
window=$(timeout 90 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
[ -n "$window" ] || fail "no window with the sound device"
wait_for_line "$work/out" "^first frame$" 90
close_window
[ "$status" -eq 0 ] || fail "exit status $status with the sound device"
expect_line "$work/out" "audio-sink 1"
expect_line "$work/out" "exit audio-thread=0"
refuse_line "$work/err" "sound"
expect_line "$work/out" "start 600x1100"
expect_line "$work/err" "vorn-testapp: the window of 600x1100 is larger than the desktop (1280x1024): part of it lies off the screen"
echo "ok"
