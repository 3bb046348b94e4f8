#!/usr/bin/env bash
# Installs the build into a scratch prefix, checks the layout, and starts the installed game
# headless outside the build tree: it must find its archives beside itself, load, reach its first
# screen, save into $XDG_DATA_HOME/tessela and exit cleanly. With the prefix's archives gone it
# must refuse, naming the prefix, and never fall back on the build tree's. Then it is uninstalled,
# with the folders the install made and no other, and never one the user made after that.
set -uo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A prefix that has an empty bin/ and share/ already: the uninstall must leave them.
prefix="$work/prefix"
mkdir -p "$prefix/bin" "$prefix/share"
# Installed twice: the folders the first install made are still the install's.
for _ in 1 2; do
  cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install"; }
done
# The manifest of this install and the folders it made, kept from any later install of the same build.
cp "$build/install_manifest.txt" "$work/manifest.txt" || fail "no install manifest"
cp "$build/install_folders.txt" "$work/folders.txt" || fail "no record of the folders the install made"

for file in bin/tessela share/tessela/data_common.pak share/tessela/data_240.pak \
            share/tessela/data_320.pak share/tessela/data_480.pak share/tessela/data_600.pak \
            share/applications/tessela.desktop share/doc/tessela/README.md; do
  [ -e "$prefix/$file" ] || fail "missing $file"
done
[ -x "$prefix/bin/tessela" ] || fail "bin/tessela is not executable"
grep -q '^Exec=tessela$' "$prefix/share/applications/tessela.desktop" || fail "desktop entry"
if [ -e "$build/data/tessela.png" ]; then
  [ -e "$prefix/share/icons/hicolor/256x256/apps/tessela.png" ] || fail "icon"
fi

# Splash and loading take a little over five seconds of the stepped clock (16 ms a frame).
printf 'frames 450\nexit\n' > "$work/run.events"
mkdir "$work/elsewhere"
# This checks the installed layout; the game's own leaks are checked in process by the end-to-end
# tests. A sanitizer build's installed binary also carries 112 bytes the system libraries leave
# behind at exit without symbols to suppress them by, so leak detection is off for this run.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
(cd "$work/elsewhere" && XDG_DATA_HOME="$work/xdg" VORN_PLATFORM=headless VORN_SCREEN=480x800 \
   VORN_EVENTS="$work/run.events" "$prefix/bin/tessela" > "$work/out" 2> "$work/err")
status=$?
[ "$status" -eq 0 ] || { cat "$work/out" "$work/err"; fail "exit status $status"; }

sandbox="$work/xdg/tessela"
[ "$(readlink -f "$sandbox/app/native")" = "$(readlink -f "$prefix/share/tessela")" ] \
  || fail "app/native is $(readlink -f "$sandbox/app/native"), not the installed archives"
[ -s "$sandbox/data/._save_version" ] || { ls -la "$sandbox/data"; fail "the game saved nothing"; }

mv "$prefix/share/tessela" "$prefix/share/tessela.away"
(cd "$work/elsewhere" && XDG_DATA_HOME="$work/xdg2" VORN_PLATFORM=headless VORN_SCREEN=480x800 \
   VORN_EVENTS="$work/run.events" "$prefix/bin/tessela" > "$work/out" 2> "$work/err")
status=$?
[ "$status" -ne 0 ] || fail "started without its archives"
grep -q "$prefix/share/tessela" "$work/err" || { cat "$work/err"; fail "the refusal does not name the prefix"; }
! grep -q "$build" "$work/err" || { cat "$work/err"; fail "the installed game looked into the build tree"; }
mv "$prefix/share/tessela.away" "$prefix/share/tessela"

cmake -DMANIFEST="$work/manifest.txt" -DFOLDERS="$work/folders.txt" \
  -P "$(dirname "$0")/../../../cmake/Uninstall.cmake" \
  > "$work/uninstall.log" 2>&1 || { cat "$work/uninstall.log"; fail "uninstall"; }
# Every folder the install made is gone, and the two that were there before stay.
left=$(cd "$prefix" && find . | sort | tr '\n' ' ')
[ "$left" = ". ./bin ./share " ] || fail "uninstall left $left"
[ ! -e "$work/folders.txt" ] || fail "the record of the folders made outlives the uninstall"
# Run again, it says so in one line, and that is no failure.
cmake -DMANIFEST="$work/manifest.txt" -DFOLDERS="$work/folders.txt" \
  -P "$(dirname "$0")/../../../cmake/Uninstall.cmake" > "$work/uninstall.log" 2>&1 ||
  { cat "$work/uninstall.log"; fail "a second uninstall fails"; }
[ "$(cat "$work/uninstall.log")" = "uninstall: nothing is installed from the build folder $work" ] ||
  { cat "$work/uninstall.log"; fail "a second uninstall does not say in one line that nothing is installed"; }
# Without a manifest, and on what it cannot remove, it fails and says why.
cmake -P "$(dirname "$0")/../../../cmake/Uninstall.cmake" > "$work/uninstall.log" 2>&1 &&
  fail "an uninstall without a manifest succeeds"
grep -q "uninstall: no manifest given" "$work/uninstall.log" || { cat "$work/uninstall.log"; fail "no manifest: not said"; }
mkdir -p "$work/kept/inside" && echo "$work/kept" > "$work/kept.txt"
cmake -DMANIFEST="$work/kept.txt" -P "$(dirname "$0")/../../../cmake/Uninstall.cmake" > "$work/uninstall.log" 2>&1 &&
  fail "an uninstall that cannot remove a file succeeds"
# CMake may wrap the line of its error.
tr -s '\n ' ' ' < "$work/uninstall.log" | grep -q "uninstall: cannot remove $work/kept: Is a directory" ||
  { cat "$work/uninstall.log"; fail "a file not removed: the reason not said"; }

# A folder the user makes after that is theirs, though an earlier install had made one of its
# name: the next install's uninstall leaves it (the build's own record, from the installs above, is
# still there: only the copies were uninstalled with).
mkdir "$prefix/share/icons"
cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install"; }
cp "$build/install_manifest.txt" "$work/manifest.txt" && cp "$build/install_folders.txt" "$work/folders.txt" ||
  fail "no record of the third install"
cmake -DMANIFEST="$work/manifest.txt" -DFOLDERS="$work/folders.txt" \
  -P "$(dirname "$0")/../../../cmake/Uninstall.cmake" \
  > "$work/uninstall.log" 2>&1 || { cat "$work/uninstall.log"; fail "uninstall"; }
left=$(cd "$prefix" && find . | sort | tr '\n' ' ')
[ "$left" = ". ./bin ./share ./share/icons " ] || fail "the second uninstall left $left"
echo ok
