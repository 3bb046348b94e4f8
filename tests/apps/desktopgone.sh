#!/usr/bin/env bash
# The game on an X server of its own, with the save area under HOME-DIR, left running until it has
# loaded and resumed what it finds there; then another client destroys its window (window) or
# the server is killed (server). The game must end by itself with exit status 0.
#   desktopgone.sh GAME HOME-DIR window|server
set -u
game=$1 home=$2 how=$3
pid=
Xvfb -displayfd 3 -screen 0 1280x1024x24 3> "$home/display" 2> /dev/null &
server=$!
trap 'kill -KILL $server $pid 2> /dev/null' EXIT
for _ in $(seq 300); do grep -qE '^[0-9]+$' "$home/display" && break; sleep 0.1; done
export DISPLAY=":$(cat "$home/display")" XDG_DATA_HOME=$home VORN_PLATFORM=sdl VORN_SCREEN=480x800
"$game" 2> "$home/err" &
pid=$!
window=$(timeout 90 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
[ -n "$window" ] || { echo "no window"; exit 1; }
# Loading and resuming take a few dozen frames.
sleep "${SETTLE:-6}"
if [ "$how" = window ]; then xdotool windowclose "$window"; else kill -KILL "$server"; fi
for _ in $(seq 600); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
wait "$pid"
status=$?
pid=
[ "$status" -eq 0 ] || { echo "exit status $status after the $how went"; cat "$home/err"; exit 1; }
