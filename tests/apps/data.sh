#!/usr/bin/env bash
# The game without its data: a missing, unreadable, damaged or incomplete archive directory ends
# the start with exit code 1 and a message naming each archive that is wanted and why, and leaves
# nothing behind: no sandbox made for the run, no saves, and a sandbox that was there before as it
# was. With the built data (and the data builder to repack it): a damaged member the game needs
# ends the start the same way, naming the archive and the member; a damaged picture is said once
# and the game plays on without it.
set -uo pipefail
game=$1
pak=$2
databuild=${3:-}
data=${4:-}
. "$(dirname "$0")/common.sh"
make_scratch
export VORN_PLATFORM=headless

# run_without_data DIR [COMMAND...]: runs the game on DIR (through COMMAND when given); its status
# must be 1.
run_without_data() {
    local dir=$1
    shift
    VORN_DATA_DIR=$dir timeout 60 "$@" "$game" > "$work/out" 2> "$work/err"
    local status=$?
    [ "$status" -eq 1 ] || { cat "$work/out" "$work/err"; fail "data in $dir: exit status $status, not 1"; }
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
expect_line "$work/err" "tessela: cannot start: the game's archive data_480.pak is damaged in $work/partial: it is not a pak archive, or its header or block table is damaged"
refuse_line "$work/err" "data_common"
[ ! -e "$XDG_DATA_HOME" ] || fail "a run with damaged data left its sandbox behind"

# A directory where an archive should be cannot be read as one.
mkdir "$work/damaged/data_480.pak"
cp "$work/partial/data_common.pak" "$work/damaged/"
run_without_data "$work/damaged"
expect_line "$work/err" "tessela: cannot start: the game's archive data_480.pak cannot be read in $work/damaged: Is a directory"

# A data folder that cannot be entered: the archives are there, and the reason is said. The
# superuser reads through permissions: it runs the game without that power.
mkdir "$work/locked"
cp "$work/partial/data_common.pak" "$work/locked/data_480.pak"
cp "$work/partial/data_common.pak" "$work/locked/"
chmod 000 "$work/locked"
without_override=()
[ "$(id -u)" -ne 0 ] || without_override=(setpriv --bounding-set=-dac_override,-dac_read_search)
if [ ${#without_override[@]} -eq 0 ] || "${without_override[@]}" true 2> /dev/null; then
    run_without_data "$work/locked" "${without_override[@]}"
    expect_line "$work/err" "tessela: cannot start: the game's archive data_480.pak cannot be read in $work/locked: Permission denied"
    expect_line "$work/err" "tessela: cannot start: the game's archive data_common.pak cannot be read in $work/locked: Permission denied"
else
    echo "note: the superuser cannot give up reading through permissions here: unreadable folder not tried"
fi
chmod 755 "$work/locked"

# A player's sandbox from earlier runs: the saves stay, and app/native still shows their archives.
mkdir -p "$XDG_DATA_HOME/tessela/data" "$XDG_DATA_HOME/tessela/app"
echo "progress" > "$XDG_DATA_HOME/tessela/data/._GUEST_fit"
ln -s "$work/archives" "$XDG_DATA_HOME/tessela/app/native"
run_without_data /nonexistent
[ "$(readlink "$XDG_DATA_HOME/tessela/app/native")" = "$work/archives" ] || fail "app/native was not put back"
[ "$(cat "$XDG_DATA_HOME/tessela/data/._GUEST_fit")" = "progress" ] || fail "the saves changed"
[ "$(ls -A "$XDG_DATA_HOME/tessela/data")" = "._GUEST_fit" ] || fail "a run without data wrote saves"
[ "$(ls -A "$XDG_DATA_HOME/tessela/app")" = "native" ] || fail "something left in app/"
rm -rf "$XDG_DATA_HOME"
[ -n "$databuild" ] || { echo "ok (no built data: damaged members not tried)"; exit 0; }

# flip_byte FILE OFFSET: one bit of the byte at OFFSET changed in place.
flip_byte() {
    local byte
    byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
    printf "$(printf '\\%03o' $(( byte ^ 16 )))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
"$pak" extract "$data/data_common.pak" "$work/common" > /dev/null || fail "vorn-pak extract"
"$pak" extract "$data/data_480.pak" "$work/480" > /dev/null || fail "vorn-pak extract"

# A text table cut short, packed as the data builder packs: the start ends before anything is
# shown, instead of menus showing their keys.
mkdir "$work/cut"
head -c 1000 "$data/common/texts/fr.xml" > "$work/common/texts/fr.xml"
"$databuild" pak "$work/common" "$work/cut/data_common.pak" > /dev/null || fail "databuild pak"
cp "$data/data_480.pak" "$work/cut/"
# Started under another name, the game says that name on every line.
ln -s "$game" "$work/puzzle"
game="$work/puzzle" run_without_data "$work/cut"
cut=$(realpath "$work/cut")
expect_line "$work/err" "puzzle: $cut/data_common.pak: texts/fr.xml is damaged (it is not a well-formed XML document)"
expect_line "$work/err" "puzzle: cannot start: the game's archive data_common.pak is damaged in $cut: a member the game needs is damaged or missing (said above)"
[ "$(wc -l < "$work/err")" -eq 2 ] || { cat "$work/err"; fail "more than the member and the archive"; }
[ ! -e "$XDG_DATA_HOME" ] || fail "a run with a damaged member left its sandbox behind"

# Two bytes of a needed picture's signature zeroed: a PNG still, damaged, and the start ends.
cp -r "$work/480" "$work/signature480"
printf '\0\0' | dd of="$work/signature480/atlas_ui.png" bs=1 seek=4 conv=notrunc status=none
mkdir "$work/signature"
"$databuild" pak "$work/signature480" "$work/signature/data_480.pak" > /dev/null || fail "databuild pak"
cp "$data/data_common.pak" "$work/signature/"
run_without_data "$work/signature"
expect_line "$work/err" "tessela: $(realpath "$work/signature")/data_480.pak: atlas_ui.png is damaged (it does not start with the PNG signature)"

# A flipped bit in the background picture: its CRC says so, once, and the game plays on without it.
mkdir "$work/picture"
flip_byte "$work/480/ui/background.png" $(( $(stat -c %s "$work/480/ui/background.png") / 2 ))
"$databuild" pak "$work/480" "$work/picture/data_480.pak" > /dev/null || fail "databuild pak"
cp "$data/data_common.pak" "$work/picture/"
printf 'frames 60\nexit\n' > "$work/run.events"
VORN_DATA_DIR="$work/picture" VORN_EVENTS="$work/run.events" timeout 60 "$game" > "$work/out" 2> "$work/err"
status=$?
[ "$status" -eq 0 ] || { cat "$work/err"; fail "a damaged picture: exit status $status, not 0"; }
expect_line "$work/err" "tessela: $(realpath "$work/picture")/data_480.pak: ui/background.png is damaged (it does not decode as PNG: IDAT: CRC error)"
[ "$(wc -l < "$work/err")" -eq 1 ] || { cat "$work/err"; fail "not one line"; }
echo "ok"
