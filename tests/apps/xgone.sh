#!/usr/bin/env bash
# The test application on the desktop backend, ended as a desktop ends programs: by each end
# signal, by another client destroying its window, and by the X server going away. Each time the
# application's shutdown slot runs (where the game keeps its level in progress) and the exit
# status is 0. Runs its own X server, to be able to kill it.
set -uo pipefail
app=$1
. "$(dirname "$0")/common.sh"
make_scratch
export VORN_PLATFORM=sdl
server= pid=
trap 'kill $pid $server 2>/dev/null; rm -rf "$work"' EXIT
fail() {
    echo "--- output:"; cat "$work/out"; echo "--- errors:"; cat "$work/err"
    echo "FAIL: $*" >&2
    exit 1
}

start_server() {
    : > "$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 3> "$work/display" 2> /dev/null &
    server=$!
    wait_for_line "$work/display" "^[0-9]+$" 30
    export DISPLAY=":$(cat "$work/display")"
}

# start_app: the application on the server, up to its first frame; window is its window.
start_app() {
    "$app" > "$work/out" 2> "$work/err" &
    pid=$!
    window=$(timeout 90 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
    [ -n "$window" ] || fail "no window"
    wait_for_line "$work/out" "^first frame$" 90
}

# ended_cleanly HOW: the application ends by itself, with status 0, after its shutdown slot.
ended_cleanly() {
    for _ in $(seq 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "$1: still running"
    wait "$pid"
    local status=$?
    [ "$status" -eq 0 ] || fail "$1: exit status $status"
    grep -qE '^release frames=[0-9]+ ms=[0-9]+$' "$work/out" || fail "$1: no shutdown"
    refuse_line "$work/err" "X Error|BadWindow"
}

start_server
for signal in TERM INT HUP; do
    start_app
    kill -"$signal" "$pid"
    ended_cleanly "SIG$signal"
done

start_app
xdotool windowclose "$window"
ended_cleanly "the window destroyed"

start_app
kill -KILL "$server"
ended_cleanly "the X server gone"
expect_line "$work/err" "tessela: lost the connection to the X display; ending"
[ ! -e "$XDG_DATA_HOME/tessela/data/.lock" ] || fail "the save area stays locked"
echo "ok"
