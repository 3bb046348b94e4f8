#!/usr/bin/env bash
# The game without its data: a missing, damaged or incomplete archive directory ends the start with
# exit code 1 and a message naming each archive that is wanted, and leaves nothing behind: no
# sandbox made for the run, no saves, and a sandbox that was there before as it was.
set -uo pipefail
game=$1
pak=$2
. "$(dirname "$0")/common.sh"
make_scratch
export VORN_PLATFORM=headless

# run_without_data DIR: runs the game on DIR; its status must be 1.
run_without_data() {
    VORN_DATA_DIR=$1 timeout 60 "$game" > "$work/out" 2> "$work/err"
    local status=$?
    [ "$status" -eq 1 ] || { cat "$work/out" "$work/err"; fail "data in $1: exit status $status, not 1"; }
}

run_without_data /nonexistent
expect_line "$work/err" "tessela: cannot start: the game's archive data_480.pak is missing from /nonexistent"
expect_line "$work/err" "tessela: cannot start: the game's archive data_common.pak is missing from /nonexistent"
[ ! -e "$XDG_DATA_HOME" ] || { find "$XDG_DATA_HOME"; fail "a run without data left its sandbox behind"; }

# A good common archive beside a damaged one for the screen size: only the damaged one is named.
mkdir -p "$work/partial/content" "$work/damaged"
echo "text" > "$work/partial/content/readme.txt"
"$pak" create "$work/partial/data_common.pak" "$work/partial/content" > /dev/null || fail "vorn-pak"
echo "not an archive" > "$work/partial/data_480.pak"
run_without_data "$work/partial"
expect_line "$work/err" "tessela: cannot start: the game's archive data_480.pak is damaged in $work/partial"
refuse_line "$work/err" "data_common"
[ ! -e "$XDG_DATA_HOME" ] || fail "a run with damaged data left its sandbox behind"

# A directory where an archive should be cannot be read as one.
mkdir "$work/damaged/data_480.pak"
cp "$work/partial/data_common.pak" "$work/damaged/"
run_without_data "$work/damaged"
expect_line "$work/err" "tessela: cannot start: the game's archive data_480.pak cannot be read in $work/damaged"

# A player's sandbox from earlier runs: the saves stay, and app/native still shows their archives.
mkdir -p "$XDG_DATA_HOME/tessela/data" "$XDG_DATA_HOME/tessela/app"
echo "progress" > "$XDG_DATA_HOME/tessela/data/._GUEST_fit"
ln -s "$work/archives" "$XDG_DATA_HOME/tessela/app/native"
run_without_data /nonexistent
[ "$(readlink "$XDG_DATA_HOME/tessela/app/native")" = "$work/archives" ] || fail "app/native was not put back"
[ "$(cat "$XDG_DATA_HOME/tessela/data/._GUEST_fit")" = "progress" ] || fail "the saves changed"
[ "$(ls -A "$XDG_DATA_HOME/tessela/data")" = "._GUEST_fit" ] || fail "a run without data wrote saves"
[ "$(ls -A "$XDG_DATA_HOME/tessela/app")" = "native" ] || fail "something left in app/"
echo "ok"
