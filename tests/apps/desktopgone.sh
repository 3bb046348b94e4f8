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
# What the last run left must not be read for this one's: these files are only emptied once this
# run's server and program have started.
rm -f "$home/display" "$home/out"
# The server listens on its abstract socket only, which goes with its process, and with
# -displayfd it makes no lock file: killed outright it leaves nothing behind, and nothing is
# removed here that a server started meanwhile on the same number could have made. It does not
# reset when its last client leaves: the clients that look for the window come and go, and a
# program that connects while the server resets is turned away.
Xvfb -displayfd 3 -nolisten unix -noreset -screen 0 1280x1024x24 3> "$home/display" 2> /dev/null &
server=$!
# At the end the program goes, and the server is ended as a desktop ends it.
end_server() {
    kill -KILL $pid 2> /dev/null
    kill -TERM $server 2> /dev/null
    for _ in $(seq 50); do kill -0 $server 2> /dev/null || break; sleep 0.1; done
    kill -KILL $server 2> /dev/null
    wait $server 2> /dev/null
}
trap end_server EXIT
# Waited for as long as the server runs: on a machine under load it may take long to start.
until grep -qsE '^[0-9]+$' "$home/display"; do
    kill -0 $server 2> /dev/null || { echo "the X server did not start"; exit 1; }
    sleep 0.1
done
export DISPLAY=":$(cat "$home/display")" XDG_DATA_HOME=$home VORN_PLATFORM=sdl VORN_SCREEN=${SCREEN:-480x800}
err=$home/err
: > "$err"
[ -z "${ERR_FULL:-}" ] || { err=$home/full; rm -f "$err"; mkfifo "$err"; exec 7<> "$err"; }
"$program" > "$home/out" 2> "$err" &
pid=$!
# until_found WHAT COMMAND...: runs the command until it succeeds, for as long as the program
# runs: on a machine under load it may take long to get there.
until_found() {
    local what=$1
    shift
    until "$@"; do
        kill -0 "$pid" 2> /dev/null || "$@" || { echo "ended without $what"; cat "$home/out" "$home/err"; exit 1; }
        sleep 0.1
    done
}
[ -z "${READY:-}" ] || until_found "a line '$READY'" grep -qsE -- "$READY" "$home/out"
# Filled once it is ready: what it says while it starts (a machine without sound) is taken.
[ -z "${ERR_FULL:-}" ] || dd if=/dev/zero of="$err" bs=4096 count=4096 oflag=nonblock status=none 2> /dev/null
find_window() {
    window=$(xdotool search --onlyvisible --pid "$pid" 2> /dev/null | head -n 1)
    [ -n "$window" ]
}
until_found "a window" find_window
# Loading and resuming take a few dozen frames.
sleep "${SETTLE:-6}"
case $how in
    window) xdotool windowclose "$window" ;;
    hidden) xdotool windowunmap "$window"; sleep 1; xdotool windowclose "$window" ;;
    server) kill -KILL "$server" ;;
    picture)
        # Its picture killed once it shows, then the movie's end waited for, however long each takes.
        kill_picture() {
            ! grep -q '^movie finished$' "$home/out" || { echo "the movie ended before its picture showed"; exit 1; }
            xdotool search --class '^mpv$' windowkill 2> /dev/null
        }
        until_found "a movie window" kill_picture
        until_found "the movie's end" grep -q '^movie finished$' "$home/out"
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
