#!/usr/bin/env bash
# Exit codes and messages of the process entry when a platform call fails: 1 for the services and
# the screen calls, -1 (255) when navigator events cannot be requested, each said in one line;
# 2 from the stand-in for an unreadable event script. A second copy on one save area is turned away.
set -uo pipefail
app=$1
here=$2
. "$here/common.sh"
make_scratch
export VORN_PLATFORM=headless VORN_EVENTS="$here/tap.events"

# run_failing CALL EXPECTED-STATUS STARTED WHAT: the run's status, whether the application
# started, and the one line that says what failed.
run_failing() {
    VORN_FAIL=$1 "$app" > "$work/out" 2> "$work/err"
    local status=$?
    [ "$status" -eq "$2" ] || { cat "$work/out" "$work/err"; fail "$1: exit status $status, not $2"; }
    if [ "$3" = yes ]; then
        expect_line "$work/out" "start 480x800"
        expect_line "$work/out" "release frames=165 ms=3300"
    else
        refuse_line "$work/out" "^start"
    fi
    [ "$(cat "$work/err")" = "vorn-testapp: $4: made to fail on purpose (VORN_FAIL)" ] ||
        { cat "$work/err"; fail "$1: not said in one line"; }
}

run_failing navigator_request_events 255 no "cannot receive the system's events"
run_failing screen_create_context 1 no "cannot reach the screen"
run_failing screen_create_window 1 no "cannot open a window"
run_failing screen_create_window_group 1 no "cannot set up the window"
run_failing screen_destroy_window 1 yes "cannot close the window"
run_failing screen_destroy_context 1 yes "cannot close the screen"
run_failing bps_initialize 1 no "cannot start"

# A misspelt name is refused, not ignored.
VORN_FAIL=screen_create_widow "$app" > "$work/out" 2> "$work/err"
[ $? -eq 1 ] || fail "an unknown VORN_FAIL name was not refused"
expect_line "$work/err" "vorn-testapp: cannot start: VORN_FAIL names no platform call: 'screen_create_widow' (it takes bps_initialize, navigator_request_events, navigator_invoke, screen_create_context, screen_create_window, screen_create_window_group, screen_destroy_window, screen_destroy_context, mmr_load_mpv, mmr_speed_set, mmr_output_parameters)"

# No X display for the desktop backend: said, exit 1.
for display in "" ":97"; do
    DISPLAY=$display VORN_PLATFORM=sdl "$app" > "$work/out" 2> "$work/err"
    [ $? -eq 1 ] || fail "DISPLAY='$display': not exit 1"
    reason=${display:+no X server answers at DISPLAY=$display}
    expect_line "$work/err" "vorn-testapp: cannot open a window: no X display (${reason:-DISPLAY is not set})"
done

# No GL driver: the start is given up before the application's start-up, said in one line.
LIBGL_DRIVERS_PATH=/nonexistent "$app" > "$work/out" 2> "$work/err"
[ $? -eq 1 ] || fail "no GL driver: not exit 1"
refuse_line "$work/out" "^start"
grep -q "^vorn-testapp: cannot draw: EGL " "$work/err" || { cat "$work/err"; fail "no GL driver: not said"; }

# A second copy on the same save area is turned away, and the first one's files stay as they were.
printf 'frames 100000\n' > "$work/long.events"
VORN_EVENTS="$work/long.events" "$app" > "$work/first.out" 2>&1 &
first=$!
wait_for_line "$work/first.out" "^start" 60
echo "saved" > "$XDG_DATA_HOME/tessela/data/._mine"
before=$(ls -lA --time-style=full-iso "$XDG_DATA_HOME/tessela" "$XDG_DATA_HOME/tessela/data")
"$app" > "$work/out" 2> "$work/err"
status=$?
after=$(ls -lA --time-style=full-iso "$XDG_DATA_HOME/tessela" "$XDG_DATA_HOME/tessela/data")
kill -TERM "$first"
wait "$first" || fail "the first copy did not end cleanly"
[ "$status" -eq 1 ] || fail "the second copy: exit status $status"
[ "$(cat "$work/err")" = "vorn-testapp: cannot start: already running (save area $XDG_DATA_HOME/tessela/data is locked by another copy)" ] ||
    { cat "$work/err"; fail "the second copy did not say why in one line"; }
refuse_line "$work/out" "^start"
[ "$before" = "$after" ] || fail "the second copy changed the first one's files"
[ "$(ls -A "$XDG_DATA_HOME/tessela/data")" = "._mine" ] || fail "the lock was left behind"

# Ended by many SIGTERMs in a row, some while it shuts down after the first: exit status 0.
# The output of a program started in the background is emptied first: the redirection empties it
# only once the new process has started, and until then it holds the last run's lines.
: > "$work/out"
VORN_EVENTS="$work/long.events" "$app" > "$work/out" 2> "$work/err" &
pid=$!
wait_for_line "$work/out" "^start" 60
for _ in $(seq 200000); do kill -TERM "$pid" 2> /dev/null || break; done
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "many SIGTERMs: exit status $status"
grep -qE '^release frames=[0-9]+ ms=[0-9]+$' "$work/out" || fail "many SIGTERMs: no shutdown"
[ ! -s "$work/err" ] || { cat "$work/err"; fail "many SIGTERMs: said something"; }

# A SIGTERM that a stuck frame keeps the loop from taking ends the process within seconds, said in
# one line, the save area unlocked, with the status of a process the signal ended (128 + 15): it
# did not shut down.
: > "$work/out"
VORN_TESTAPP_STALL=5 VORN_EVENTS="$work/long.events" "$app" > "$work/out" 2> "$work/err" &
pid=$!
wait_for_line "$work/out" "^stalled$" 60
kill -TERM "$pid"
for _ in $(seq 200); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
kill -0 "$pid" 2> /dev/null && { kill -KILL "$pid"; fail "a stuck loop did not end 20 s after SIGTERM"; }
wait "$pid"
status=$?
[ "$status" -eq 143 ] || fail "SIGTERM to a stuck loop: exit status $status"
[ "$(wc -l < "$work/err")" -eq 1 ] &&
    grep -qxE "(tessela|vorn-testapp): did not end within 3 s of SIGTERM; ending at once" "$work/err" ||
    { cat "$work/err"; fail "SIGTERM to a stuck loop: not said in one line"; }
[ "$(ls -A "$XDG_DATA_HOME/tessela/data")" = "._mine" ] || fail "a stuck loop's lock was left behind"
# The same with stderr a pipe that is read, and one that nobody reads, full by then: that one gets
# no line, and the end does not wait for it.
mkfifo "$work/read" "$work/full"
exec 7<> "$work/full"
for err in read full; do
    [ "$err" = full ] || cat "$work/read" > "$work/err" &
    : > "$work/out"
    VORN_TESTAPP_STALL=5 VORN_EVENTS="$work/long.events" "$app" > "$work/out" 2> "$work/$err" &
    pid=$!
    wait_for_line "$work/out" "^stalled$" 60
    [ "$err" = read ] || dd if=/dev/zero of="$work/full" bs=4096 count=4096 oflag=nonblock status=none 2> /dev/null
    kill -TERM "$pid"
    timeout 20 tail --pid="$pid" -f /dev/null || { kill -KILL "$pid"; fail "stderr $err: running 20 s after SIGTERM"; }
    wait "$pid"
    [ $? -eq 143 ] || fail "stderr $err: SIGTERM to a stuck loop: not exit status 143"
    wait
    [ "$err" = full ] || grep -qx "vorn-testapp: did not end within 3 s of SIGTERM; ending at once" "$work/err" ||
        { cat "$work/err"; fail "stderr read: SIGTERM to a stuck loop: not said"; }
    [ "$(ls -A "$XDG_DATA_HOME/tessela/data")" = "._mine" ] || fail "stderr $err: the lock was left behind"
done
exec 7<&-
# The same with stderr a terminal that nobody reads, left with room for less than the line (its
# program name made long), and that the process cannot open anew, as another user's terminal
# under sudo -u: the superuser runs it without the right to override file permissions.
as_user=()
[ "$(id -u)" -ne 0 ] || as_user=(setpriv --bounding-set=-dac_override,-dac_read_search)
long="$work/vorn-testapp-$(printf '%0200d' 0)"
ln -s "$app" "$long"
: > "$work/out"
status=$(VORN_TESTAPP_STALL=5 VORN_EVENTS="$work/long.events" python3 - "$work/out" "${as_user[@]}" "$long" <<'PY'
import os, pty, signal, subprocess, sys, time
out, command = sys.argv[1], sys.argv[2:]
master, terminal = pty.openpty()
os.set_blocking(terminal, False)
try:
    while True:
        os.write(terminal, b"x" * 256)
except BlockingIOError:
    os.read(master, 256)
os.set_blocking(terminal, True)
os.chmod(os.ttyname(terminal), 0)
with open(out, "w") as stdout:
    app = subprocess.Popen(command, stdout=stdout, stderr=terminal)
while b"stalled" not in open(out, "rb").read() and app.poll() is None:
    time.sleep(0.1)
app.send_signal(signal.SIGTERM)
try:
    print(app.wait(20))
except subprocess.TimeoutExpired:
    app.kill()
    print("running 20 s after SIGTERM")
PY
)
[ "$status" = 143 ] || fail "stderr a terminal with no room: $status"
[ "$(ls -A "$XDG_DATA_HOME/tessela/data")" = "._mine" ] || fail "stderr a terminal with no room: the lock was left behind"

echo "touch 1 2" > "$work/bad.events"
VORN_EVENTS="$work/bad.events" "$app" > "$work/out" 2> "$work/err"
status=$?
[ "$status" -eq 2 ] || fail "bad event script: exit status $status"
expect_line "$work/err" "vorn-testapp: VORN_EVENTS=$work/bad.events: line 1: not understood: touch 1 2"

# A backend name that is none is said, with the names there are, and the default one is used.
DISPLAY= VORN_PLATFORM=headles "$app" > "$work/out" 2> "$work/err"
[ $? -eq 1 ] || fail "VORN_PLATFORM=headles: not the desktop backend's exit 1 without a display"
expect_line "$work/err" "vorn-testapp: VORN_PLATFORM=headles is not a backend (it takes sdl or headless); using sdl"

# A message is never cut, however long the paths in it: a home of over 1000 characters below a
# file, where no save area can be made.
echo "a file" > "$work/file"
home="$work/file"
for _ in $(seq 10); do home="$home/$(printf '%0100d' 0)"; done
HOME=$home XDG_DATA_HOME= "$app" > "$work/out" 2> "$work/err"
[ $? -eq 1 ] || fail "a save area below a file: not exit 1"
expect_line "$work/err" "vorn-testapp: cannot start: cannot prepare the save area $home/.local/share/tessela: Not a directory"
echo "ok"
