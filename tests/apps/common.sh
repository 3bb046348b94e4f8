# Helpers for the process-level tests (sourced).

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# expect_line FILE TEXT: the file has a line exactly TEXT.
expect_line() {
    grep -qxF -- "$2" "$1" || { echo "--- $1:"; cat "$1"; fail "no line '$2'"; }
}

# refuse_line FILE PATTERN: no line of the file matches the extended regular expression.
refuse_line() {
    if grep -qE -- "$2" "$1"; then
        echo "--- $1:"; cat "$1"; fail "unexpected line matching '$2'"
    fi
}

# wait_for_line FILE PATTERN SECONDS: waits until a line matches.
wait_for_line() {
    local end=$((SECONDS + $3))
    until grep -qE -- "$2" "$1" 2>/dev/null; do
        [ "$SECONDS" -lt "$end" ] || { echo "--- $1:"; cat "$1"; fail "timed out waiting for '$2'"; }
        sleep 0.1
    done
}

# A scratch area: a save root, an archive directory, and a working directory that is not the
# sandbox. Removed on exit.
make_scratch() {
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/archives" "$work/elsewhere"
    echo "archive" > "$work/archives/data_common.pak"
    export XDG_DATA_HOME="$work/xdg"
    export VORN_DATA_DIR="$work/archives"
    export VORN_SCREEN=480x800
    cd "$work/elsewhere"
}
