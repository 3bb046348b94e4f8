#!/usr/bin/env bash
# The test application on the desktop backend, ended as a desktop ends programs: by each end
# signal, by another client destroying its window (shown, or hidden and drawing nothing), and by
# the X server going away. Each time the
# application's shutdown slot runs (where the game keeps its level in progress), nothing of the
# X server's complaints reaches the terminal, and the save area is left unlocked.
set -uo pipefail
app=$1
. "$(dirname "$0")/common.sh"
make_scratch
for how in TERM INT HUP window hidden server; do
    SETTLE=1 bash "$(dirname "$0")/desktopgone.sh" "$app" "$work/xdg" "$how" || fail "$how"
    grep -qE '^release frames=[0-9]+ ms=[0-9]+$' "$work/xdg/out" || fail "$how: no shutdown"
    refuse_line "$work/xdg/err" "X Error|BadWindow"
    [ ! -e "$work/xdg/tessela/data/.lock" ] || fail "$how: the save area stays locked"
done
expect_line "$work/xdg/err" "vorn-testapp: lost the connection to the X display; ending"
echo "ok"
