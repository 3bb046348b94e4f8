#!/usr/bin/env bash
# The scripts as a newcomer first starts them: started by sh they run under bash; scripts/test
# --help and scripts/play --help print their usage and make nothing; a build folder is taken from
# where the user stands, and one that cannot be made is said with the reason; every script keeps to
# VORN_JOBS and refuses a bad one; install-deps run by a user without sudo, with packages
# missing, names them and the one command that installs them, and stops.
set -uo pipefail
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

sh "$source/scripts/test" --help > "$work/out" 2> "$work/err"
status=$?
[ "$status" -eq 0 ] || { cat "$work/err"; fail "--help: exit status $status"; }
grep -q '^Usage: scripts/test \[BUILD-DIR' "$work/out" || { cat "$work/out" "$work/err"; fail "--help prints no usage"; }
[ ! -e "$source/--help" ] || fail "--help made a build folder"
sh "$source/scripts/test" --bogus > "$work/out" 2> "$work/err"
[ $? -eq 2 ] || { cat "$work/err"; fail "an unknown option is not refused"; }
for script in play fuzz tsan; do
    TESSELA_BUILD_DIR="$work/play" sh "$source/scripts/$script" --help > "$work/out" 2> "$work/err" ||
        fail "$script --help: exit status $?"
    grep -q "^Usage: scripts/$script" "$work/out" || { cat "$work/out" "$work/err"; fail "$script --help prints no usage"; }
done
[ ! -e "$work/play" ] || fail "play --help made a build folder"
touch "$work/file"
(cd "$work" && sh "$source/scripts/test" file/build) > "$work/out" 2> "$work/err"
[ $? -eq 1 ] || { cat "$work/err"; fail "a build folder that cannot be made: not exit 1"; }
grep -qx "test: cannot make the build folder file/build: Not a directory" "$work/err" ||
    { cat "$work/err"; fail "the build folder's failure is not said with its reason"; }
[ ! -e "$source/file" ] || fail "a relative build folder was taken inside the checkout"

# A bad VORN_JOBS is refused in one line before anything is made; the builds of tsan and fuzz
# keep to a good one (asked of a cmake that only notes what it is asked, with every package there).
mkdir "$work/stub"
printf '#!/bin/sh\necho "$*" >> "%s/cmake.log"\ncase " $* " in *" --build "*) exit 1 ;; esac\n' "$work" > "$work/stub/cmake"
printf '#!/bin/sh\nfor p; do case $p in -*) ;; *) echo "$p install ok installed" ;; esac; done\n' > "$work/stub/dpkg-query"
chmod 755 "$work/stub/cmake" "$work/stub/dpkg-query"
for script in test play tsan fuzz; do
    args=(); [ "$script" != test ] || args=("$work/jobs")
    VORN_JOBS=-1 TESSELA_BUILD_DIR="$work/jobs" PATH="$work/stub:$PATH" sh "$source/scripts/$script" "${args[@]}" > "$work/out" 2> "$work/err"
    status=$?
    [ "$status" -eq 2 ] && [ "$(cat "$work/err")" = "$script: VORN_JOBS must be a whole number from 1 up, not '-1'" ] ||
        { cat "$work/err"; fail "$script: VORN_JOBS=-1 not refused in one line (exit status $status)"; }
done
[ ! -e "$work/jobs" ] || fail "a bad VORN_JOBS made a build folder"
for script in tsan fuzz; do
    VORN_JOBS=3 PATH="$work/stub:$PATH" bash "$source/scripts/$script" > /dev/null 2>&1
    grep -qE -- "--build build-$script -j 3( |$)" "$work/cmake.log" || { cat "$work/cmake.log"; fail "$script does not build with VORN_JOBS"; }
done

# A user without sudo, for whom no package is installed: the commands below are all it finds.
mkdir "$work/bin"
for tool in bash grep; do ln -s "$(command -v "$tool")" "$work/bin/$tool"; done
printf '#!/bin/sh\necho 1000\n' > "$work/bin/id"
printf '#!/bin/sh\nexit 1\n' > "$work/bin/dpkg-query"
chmod 755 "$work/bin/id" "$work/bin/dpkg-query"
PATH="$work/bin" /bin/sh "$source/scripts/install-deps" > "$work/out" 2> "$work/err"
status=$?
[ "$status" -eq 1 ] || { cat "$work/err"; fail "install-deps without sudo: exit status $status, not 1"; }
grep -q '^install-deps: missing Debian packages: build-essential cmake .*netcat-openbsd' "$work/err" ||
    { cat "$work/err"; fail "the missing packages are not named"; }
grep -q '^install-deps: install them as root with: apt-get update && apt-get install --no-install-recommends build-essential cmake .*netcat-openbsd' "$work/err" ||
    { cat "$work/err"; fail "no command that installs them"; }
echo "ok"
