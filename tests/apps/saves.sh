#!/usr/bin/env bash
# Saves that cannot be written: the game started on a read-only save area and on a full disk
# says so once, naming the save folder and the reason, plays on and exits 0. A read-only place
# for a new save area gives only its own reason, with exit code 1.
set -uo pipefail
game=$1
archives=$2
. "$(dirname "$0")/common.sh"
make_scratch
chmod 755 "$work"
# The superuser writes through permissions; it runs the game as nobody where the test needs them,
# on copies of the game and of the archives it reads at this size in the scratch area: nobody may
# not enter the folders that hold the build (root's home, a folder made by mktemp -d).
as_player=()
if [ "$(id -u)" -eq 0 ]; then
    as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    mkdir "$work/copy"
    cp "$game" "$work/copy/" || fail "cannot copy the game"
    cp "$archives/data_common.pak" "$archives/data_480.pak" "$work/copy/" || fail "cannot copy the archives"
    chmod -R a+rX "$work/copy"
    game="$work/copy/$(basename "$game")" archives="$work/copy"
fi
export VORN_PLATFORM=headless VORN_DATA_DIR="$archives"
# Through the loading (a little over five seconds of 16 ms frames) and on to the first screen.
printf 'frames 450\nexit\n' > "$work/run.events"
export VORN_EVENTS="$work/run.events"

# run_game WHAT: the game's status must be 0, with one line about the saves that failed.
run_game() {
    timeout 120 "$@" "$game" > "$work/out" 2> "$work/err"
    local status=$?
    [ "$status" -eq 0 ] || { cat "$work/out" "$work/err"; fail "exit status $status, not 0"; }
    [ "$(grep -c "cannot save" "$work/err")" -eq 1 ] || { cat "$work/err"; fail "not one message"; }
}

# A save area from an earlier run, made read-only.
data="$XDG_DATA_HOME/tessela/data"
mkdir -p "$data" "$XDG_DATA_HOME/tessela/app"
ln -s "$(readlink -f "$archives")" "$XDG_DATA_HOME/tessela/app/native"
echo "progress" > "$data/._GUEST_fit"
chmod -R a+rX "$XDG_DATA_HOME"
chmod 555 "$data"
run_game "${as_player[@]}"
expect_line "$work/err" "tessela: cannot save the game in $data: Permission denied"
[ "$(cat "$data/._GUEST_fit")" = "progress" ] || fail "the read-only save area changed"

# A full disk: a small file system filled up when one can be mounted here, else every file the
# start writes leads to a device that is always full.
chmod 755 "$data"
rm -f "$data"/*
if mount -t tmpfs -o size=64k tmpfs "$data" 2> /dev/null; then
    trap 'umount "$data"; rm -rf "$work"' EXIT
    cat /dev/zero > "$data/filler" 2> /dev/null
else
    for name in profiles lastProfile GUEST_options GUEST_fit GUEST_stats-1 save_version; do
        ln -s /dev/full "$data/._$name.tmp"
    done
fi
run_game
expect_line "$work/err" "tessela: cannot save the game in $data: No space left on device"

# Past a limit on the size of files a save is refused as on a full disk, and nothing of it stays
# behind, the lock neither. What the game says goes through a pipe, which the limit does not bound.
limited="$work/limited"
(ulimit -f 0; XDG_DATA_HOME=$limited exec timeout 120 "$game" 2>&1 > /dev/null) | cat > "$work/err"
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || { cat "$work/err"; fail "a file size limit: exit status $status, not 0"; }
expect_line "$work/err" "tessela: cannot save the game in $limited/tessela/data: File too large"
[ -z "$(ls -A "$limited/tessela/data")" ] || { ls -A "$limited/tessela/data"; fail "a file size limit: files left"; }

# A save that never returns (a disk that does not answer; here a FIFO that nobody reads where the
# statistics are written at the end): a signal still ends the game within seconds, the lock gone
# first, said in one line, with the signal's status since the game did not shut down.
blocked="$work/blocked"
mkdir -p "$blocked/tessela/data"
mkfifo "$blocked/tessela/data/._GUEST_stats-1.tmp"
printf 'frames 100000\n' > "$work/long.events"
XDG_DATA_HOME=$blocked VORN_EVENTS="$work/long.events" "$game" > "$work/out" 2> "$work/err" &
pid=$!
until [ -e "$blocked/tessela/data/._save_version" ]; do
    kill -0 "$pid" 2> /dev/null || { cat "$work/err"; fail "a blocked save: the game ended before it started"; }
    sleep 0.1
done
kill -TERM "$pid"
timeout 20 tail --pid="$pid" -f /dev/null || { kill -KILL "$pid"; fail "a blocked save: running 20 s after SIGTERM"; }
wait "$pid"
status=$?
[ "$status" -eq 143 ] || { cat "$work/err"; fail "a blocked save: exit status $status, not 143"; }
expect_line "$work/err" "tessela: did not end within 3 s of SIGTERM; ending at once"
[ ! -e "$blocked/tessela/data/.lock" ] || fail "a blocked save: the lock was left behind"

# Nowhere to make the save area: its reason only, and nothing about the archives.
mkdir "$work/readonly"
chmod 555 "$work/readonly"
XDG_DATA_HOME="$work/readonly" timeout 120 "${as_player[@]}" "$game" > "$work/out" 2> "$work/err"
status=$?
[ "$status" -eq 1 ] || { cat "$work/err"; fail "no save area: exit status $status, not 1"; }
expect_line "$work/err" "tessela: cannot start: cannot prepare the save area $work/readonly/tessela: Permission denied"
[ "$(wc -l < "$work/err")" -eq 1 ] || { cat "$work/err"; fail "more than the reason"; }
echo "ok"
