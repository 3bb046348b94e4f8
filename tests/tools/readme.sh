#!/usr/bin/env bash
# The README's commands for running tests, as a reader would type them: each GoogleTest filter it
# quotes runs at least one test, each ctest pattern selects at least one, and each program it
# names below build/tools or build/tests is built.
set -uo pipefail
source=$1
build=$2
readme="$source/README.md"
fail() { echo "FAIL: $*"; exit 1; }
checked=0

while read -r program filter; do
  [ -x "$build/${program#build/}" ] || fail "the README runs $program, which the build does not make"
  count=$("$build/${program#build/}" --gtest_filter="$filter" --gtest_list_tests | grep -c '^  ')
  [ "$count" -gt 0 ] || fail "$program --gtest_filter='$filter' runs no test"
  checked=$((checked + 1))
done < <(grep -o "build/tests/[A-Za-z0-9_]* --gtest_filter='[^']*'" "$readme" |
         sed "s/ --gtest_filter='\(.*\)'$/ \1/")

while read -r pattern; do
  count=$(ctest --test-dir "$build" -N -R "$pattern" | sed -n 's/^Total Tests: //p')
  [ "${count:-0}" -gt 0 ] || fail "ctest --test-dir build -R $pattern selects no test"
  checked=$((checked + 1))
done < <(grep -o 'ctest --test-dir build -R [^` ]*' "$readme" | awk '{print $5}')

for program in $(grep -o 'build/\(tools\|tests\)/[A-Za-z0-9_./-]*[A-Za-z0-9_]' "$readme" | sort -u); do
  [ -x "$build/${program#build/}" ] || fail "the README names $program, which the build does not make"
  checked=$((checked + 1))
done

[ "$checked" -ge 3 ] || fail "found only $checked commands in the README: has its wording changed?"
echo "ok: $checked commands"
