#!/usr/bin/env bash
# A program on an X server of its own, with its save area under HOME-DIR, left running until it
# has loaded and resumed what it finds there; then it is sent an end signal (TERM, INT, HUP),
# another client destroys its window (window), or its hidden window, where it draws nothing
# (hidden), or the server is killed (server). The program must
# end by itself with exit status 0. Its output is left in HOME-DIR/out and HOME-DIR/err.
# picture: another client kills the connection of the movie the program plays (its picture's
# window), which must end the movie ("movie finished") and nothing else; then it is sent SIGTERM.
#   desktopgone.sh PROGRAM HOME-DIR TERM|INT|HUP|window|hidden|server|picture
# SETTLE: seconds it runs first (6); READY: a pattern of the line on its output to wait for
# before that (none); END_WITHIN: seconds it may take to end (60); ERR_FULL: its stderr is a full
# pipe that nobody reads, filled once it is ready (HOME-DIR/err is then left empty).
set -u
program=$1 home=$2 how=$3
pid=
mkdir -p "$home"
# The number of the last run's server must not be read for this one's: the file is only emptied
# once the server's process has started.
rm -f "$home/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 3> "$home/display" 2> /dev/null &
server=$!
socket=
# At the end the program goes, and the server is ended as a desktop ends it, which removes its
# socket; that of a server killed outright is removed here, while it is still the one it made.
end_server() {
    kill -KILL $pid 2> /dev/null
    kill -TERM $server 2> /dev/null
    for _ in $(seq 50); do kill -0 $server 2> /dev/null || break; sleep 0.1; done
    kill -KILL $server 2> /dev/null
    wait $server 2> /dev/null
    [ -z "$socket" ] || [ "$(stat -c %i "$socket" 2> /dev/null)" != "$inode" ] || rm -f "$socket"
}
trap end_server EXIT
for _ in $(seq 300); do grep -qsE '^[0-9]+$' "$home/display" && break; sleep 0.1; done
grep -qsE '^[0-9]+$' "$home/display" || { echo "the X server did not start"; exit 1; }
socket=/tmp/.X11-unix/X$(cat "$home/display")
inode=$(stat -c %i "$socket")
export DISPLAY=":$(cat "$home/display")" XDG_DATA_HOME=$home VORN_PLATFORM=sdl VORN_SCREEN=${SCREEN:-480x800}
err=$home/err
: > "$err"
[ -z "${ERR_FULL:-}" ] || { err=$home/full; rm -f "$err"; mkfifo "$err"; exec 7<> "$err"; }
"$program" > "$home/out" 2> "$err" &
pid=$!
if [ -n "${READY:-}" ]; then
    for _ in $(seq 900); do grep -qE -- "$READY" "$home/out" && break; sleep 0.1; done
    grep -qE -- "$READY" "$home/out" || { echo "no line '$READY'"; cat "$home/out" "$home/err"; exit 1; }
fi
# Filled once it is ready: what it says while it starts (a machine without sound) is taken.
[ -z "${ERR_FULL:-}" ] || dd if=/dev/zero of="$err" bs=4096 count=4096 oflag=nonblock status=none 2> /dev/null
window=$(timeout 90 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
[ -n "$window" ] || { echo "no window"; cat "$home/err"; exit 1; }
# Loading and resuming take a few dozen frames.
sleep "${SETTLE:-6}"
case $how in
    window) xdotool windowclose "$window" ;;
    hidden) xdotool windowunmap "$window"; sleep 1; xdotool windowclose "$window" ;;
    server) kill -KILL "$server" ;;
    picture)
        timeout 60 xdotool search --sync --class '^mpv$' windowkill || { echo "no movie window"; exit 1; }
        for _ in $(seq 100); do grep -q '^movie finished$' "$home/out" && break; sleep 0.1; done
        grep -q '^movie finished$' "$home/out" || { echo "the movie did not end"; exit 1; }
        kill -TERM "$pid" ;;
    *) kill -"$how" "$pid" ;;
esac
within=${END_WITHIN:-60}
for _ in $(seq $((within * 10))); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
kill -0 "$pid" 2> /dev/null && { echo "still running $within s after $how"; exit 1; }
wait "$pid"
status=$?
pid=
mkdir -p "$home"
[ "$status" -eq 0 ] || { echo "exit status $status after $how"; cat "$home/err"; exit 1; }
