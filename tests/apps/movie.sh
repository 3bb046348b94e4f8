#!/usr/bin/env bash
# The movie example program with a video made here by ffmpeg. Headless: the movie plays its whole
# length and the run ends with exit code 0; a file that is no movie exits with 2. On the desktop
# (run under xvfb-run with "desktop" as the third argument): a click on the picture ends the movie
# at once, and the click does not reach the application under it.
set -uo pipefail
app=$1
mode=${2:-headless}
. "$(dirname "$0")/common.sh"
make_scratch
command -v ffmpeg > /dev/null || fail "ffmpeg is missing (scripts/install-deps installs it)"
seconds=2
# Long enough that a movie ended by the click cannot be taken for one that played out.
[ "$mode" = desktop ] && seconds=30
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=160x120:rate=25:duration=$seconds" \
    -f lavfi -i "sine=frequency=440:duration=$seconds" -c:v mpeg4 -c:a aac -shortest "$work/intro.mp4" \
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
    expect_line "$work/err" "vorn-movieplay: cannot play noise.mp4"
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
wait_for_line "$work/out" "^playing intro.mp4$" 120
# The picture is up once the player has mapped its window (a child of the application's, of class
# mpv); the click waits for that, however long a busy machine takes, and goes into the picture
# off its middle, where the pointer starts (a move there with --sync would wait for ever).
picture=$(timeout 120 xdotool search --sync --onlyvisible --class '^mpv$' | head -n 1)
[ -n "$picture" ] || { cat "$work/out" "$work/err"; fail "the picture never showed"; }
xdotool mousemove --sync --window "$picture" 50 60 click 1
for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && { cat "$work/out"; fail "the click did not end the movie"; }
wait "$pid"
status=$?
[ "$status" -eq 0 ] || { cat "$work/out" "$work/err"; fail "exit status $status"; }
# As quiet as the game: at most the one line saying there is no sound device.
[ "$(wc -l < "$work/err")" -le 1 ] || { cat "$work/err"; fail "noise on stderr"; }
ms=$(sed -n 's/^finished after \([0-9]*\) ms$/\1/p' "$work/out")
[ -n "$ms" ] && [ "$ms" -lt 28000 ] || { cat "$work/out"; fail "the movie did not end at the click"; }
refuse_line "$work/out" "^touch-"
echo "ok"
