#!/usr/bin/env bash
# The test application on the desktop backend, ended as a desktop ends programs: by each end
# signal, by another client destroying its window (shown, hidden and drawing nothing, or after a
# movie has played in it), and by the X server going away. A movie whose own connection another
# client kills ends at once, said in one line, and the application goes on. Each time the application's shutdown
# slot runs (where the game keeps its level in progress), nothing of the X server's complaints
# reaches the terminal, and the save area is left unlocked.
#
# The server killed at varied moments of drawing: the driver may never return from showing a
# frame on a server that has gone, and then the shutdown slot cannot run; the process still ends
# by itself within seconds, exit status 0, with one line that says why.
set -uo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
make_scratch
command -v ffmpeg > /dev/null || fail "ffmpeg is missing (scripts/install-deps installs it)"
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=160x120:rate=25:duration=1" \
    -c:v mpeg4 "$work/archives/intro.mp4" || fail "ffmpeg could not make the test video"
# Longer than the test may run: it ends only when its picture is killed.
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=160x120:rate=2:duration=600" \
    -c:v mpeg4 "$work/archives/long.mp4" || fail "ffmpeg could not make the long test video"

# gone HOW: runs the application until it is ended that way; its save area is left unlocked and
# no X error is said.
gone() {
    bash "$here/desktopgone.sh" "$app" "$work/xdg" "$1" || fail "$1"
    refuse_line "$work/xdg/err" "X Error|BadWindow"
    [ ! -e "$work/xdg/tessela/data/.lock" ] || fail "$1: the save area stays locked"
}

for how in TERM INT HUP window hidden movie picture; do
    if [ "$how" = movie ]; then
        READY='^movie finished$' VORN_TESTAPP_MOVIE=intro.mp4 SETTLE=0.5 gone window
    elif [ "$how" = picture ]; then
        READY='^first frame$' VORN_TESTAPP_MOVIE=long.mp4 SETTLE=1 gone picture
        grep -qxE "vorn-testapp: the movie stops: its picture lost its connection to the X display" \
            "$work/xdg/err" || { cat "$work/xdg/err"; fail "picture: the movie's end not said"; }
    else
        SETTLE=1 gone "$how"
    fi
    grep -qE '^release frames=[0-9]+ ms=[0-9]+$' "$work/xdg/out" || fail "$how: no shutdown"
done

# The server killed while a frame is stuck, and then at varied moments of drawing.
for settle in stuck 0.2 0.6 1.0 1.4 1.8 2.2; do
    if [ "$settle" = stuck ]; then
        READY='^stalled$' VORN_TESTAPP_STALL=20 SETTLE=0.2 END_WITHIN=20 gone server
    else
        SETTLE=$settle END_WITHIN=20 gone server
    fi
    # Besides the line of a machine without sound.
    [ "$(grep -vc "no sound device" "$work/xdg/err")" -eq 1 ] ||
        { cat "$work/xdg/err"; fail "server killed ($settle): not one line"; }
    grep -qxE "(tessela|vorn-testapp): lost the connection to the X display; ending" "$work/xdg/err" ||
        { cat "$work/xdg/err"; fail "server killed ($settle): the loss not said"; }
done
# The same with a stderr that takes nothing, a full pipe that nobody reads: the end does not wait
# to say it.
READY='^stalled$' VORN_TESTAPP_STALL=20 SETTLE=0.2 END_WITHIN=20 ERR_FULL=1 gone server
echo "ok"
