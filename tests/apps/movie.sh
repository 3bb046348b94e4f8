#!/usr/bin/env bash
# The movie example program with a video made here by ffmpeg. Headless: the movie plays its whole
# length and the run ends with exit code 0; a file that is no movie exits with 2. On the desktop
# (run under xvfb-run with "desktop" as the third argument): a click on the picture ends the movie
# at once, and the click does not reach the application under it. Each step waits for what the
# program says or shows, however long a busy machine takes.
set -uo pipefail
app=$1
mode=${2:-headless}
. "$(dirname "$0")/common.sh"
make_scratch
command -v ffmpeg > /dev/null || fail "ffmpeg is missing (scripts/install-deps installs it)"
video=(-f lavfi -i "testsrc=size=160x120:rate=25:duration=2" -f lavfi -i "sine=frequency=440:duration=2"
       -c:a aac -shortest)
# Longer than ctest lets the test run: a movie that ended was ended by the click.
[ "$mode" = desktop ] && video=(-f lavfi -i "testsrc=size=160x120:rate=2:duration=600")
ffmpeg -nostdin -hide_banner -loglevel error -y "${video[@]}" -c:v mpeg4 "$work/intro.mp4" \
    || fail "ffmpeg could not make the test video"

if [ "$mode" = headless ]; then
    VORN_PLATFORM=headless "$app" "$work/intro.mp4" 50 > "$work/out" 2> "$work/err"
    status=$?
    [ "$status" -eq 0 ] || { cat "$work/out" "$work/err"; fail "exit status $status"; }
    expect_line "$work/out" "playing intro.mp4"
    ms=$(sed -n 's/^finished after \([0-9]*\) ms$/\1/p' "$work/out")
    [ -n "$ms" ] || { cat "$work/out"; fail "the movie did not finish"; }
    [ "$ms" -ge 1700 ] || fail "the movie ended after $ms ms, before its end"

    head -c 5000 /dev/urandom > "$work/noise.mp4"
    VORN_PLATFORM=headless "$app" "$work/noise.mp4" > "$work/out" 2> "$work/err"
    status=$?
    [ "$status" -eq 2 ] || { cat "$work/out" "$work/err"; fail "a file that is no movie: exit status $status"; }
    expect_line "$work/err" "vorn-movieplay: cannot play the movie noise.mp4: unrecognized file format"
    refuse_line "$work/out" "cannot play"

    "$app" --help > "$work/out" 2> "$work/err" || fail "--help: exit status $?"
    grep -q "^usage: " "$work/out" || fail "--help prints no usage"
    "$app" --bogus > "$work/out" 2> "$work/err"
    [ $? -eq 64 ] || fail "an unknown option is a wrong command line"

    # Without an X display the desktop backend says so, and the run ends with 1.
    DISPLAY= VORN_PLATFORM=sdl "$app" "$work/intro.mp4" > "$work/out" 2> "$work/err"
    [ $? -eq 1 ] || fail "no display: not exit 1"
    expect_line "$work/err" "vorn-movieplay: cannot open a window: no X display (DISPLAY is not set)"
    echo "ok"
    exit 0
fi

export VORN_PLATFORM=sdl
"$app" "$work/intro.mp4" > "$work/out" 2> "$work/err" &
pid=$!
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
# until_shown WHAT COMMAND...: runs the command until it succeeds, while the program runs.
until_shown() {
    local what=$1
    shift
    until "$@"; do
        kill -0 "$pid" 2>/dev/null || "$@" || { cat "$work/out" "$work/err"; fail "ended before $what"; }
        sleep 0.1
    done
}
until_shown "it played" grep -qx "playing intro.mp4" "$work/out"
# The picture is up once the player has mapped its window (a child of the application's, of class
# mpv); the click goes into it off its middle, where the pointer starts (a move there with --sync
# would wait for ever).
find_picture() { picture=$(xdotool search --onlyvisible --class '^mpv$' | head -n 1); [ -n "$picture" ]; }
until_shown "its picture showed" find_picture
xdotool mousemove --sync --window "$picture" 50 60 click 1
wait "$pid"
status=$?
[ "$status" -eq 0 ] || { cat "$work/out" "$work/err"; fail "exit status $status"; }
# As quiet as the game: at most the one line saying there is no sound device.
[ "$(wc -l < "$work/err")" -le 1 ] || { cat "$work/err"; fail "noise on stderr"; }
grep -qE "^finished after [0-9]+ ms$" "$work/out" || { cat "$work/out"; fail "the movie did not finish"; }
refuse_line "$work/out" "^touch-"
echo "ok"
