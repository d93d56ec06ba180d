#!/usr/bin/env bash
# The text exports onto every kind of path: a regular file, a symbolic link (the link stays and
# its target gets the data), a dangling link, a named pipe with a reader, /dev/null, /dev/full
# (exit 4 with the reason; it stays a device) and "-" (the standard output). Run as the user the
# tests run as and, when that is root and setpriv is there, once more as nobody.
#
# specialpaths.sh VALVESCOPE
set -uo pipefail

program=$1
script=$(readlink -f "$0")
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
failures=0

fail() {
    echo "specialpaths ($(id -un)): $*"
    failures=$((failures + 1))
}

kind() {
    stat -c %F "$1" 2>/dev/null
}

# One export option onto each kind of path; $1 the option, $2 the file's extension.
check_export() {
    local option=$1 ext=$2 dir
    dir=$(mktemp -d)
    cd "$dir" || return
    "$program" "$option" plain.$ext >/dev/null 2>&1 || fail "$option onto a new file"
    [[ -s plain.$ext ]] || fail "$option wrote nothing into a new file"

    printf 'OLD\n' >real.$ext
    ln -s real.$ext link.$ext
    "$program" "$option" link.$ext >/dev/null 2>&1 || fail "$option through a link"
    [[ $(kind link.$ext) == "symbolic link" ]] || fail "$option: the link became $(kind link.$ext)"
    cmp -s plain.$ext real.$ext || fail "$option: the link's target did not get the data"

    ln -s made.$ext dangling.$ext
    "$program" "$option" dangling.$ext >/dev/null 2>&1 || fail "$option through a dangling link"
    [[ $(kind dangling.$ext) == "symbolic link" ]] || fail "$option: the dangling link was replaced"
    cmp -s plain.$ext made.$ext || fail "$option: the dangling link's target was not made"

    mkfifo pipe.$ext
    cat pipe.$ext >piped.$ext &
    local reader=$!
    "$program" "$option" pipe.$ext >/dev/null 2>&1 || fail "$option into a pipe"
    wait "$reader"
    [[ $(kind pipe.$ext) == fifo ]] || fail "$option: the pipe became $(kind pipe.$ext)"
    cmp -s plain.$ext piped.$ext || fail "$option: the pipe's reader did not get the data"

    # (The SPICE deck would go beside /dev/null, into /dev.)
    if [[ $option == --export-csv ]]; then
        "$program" "$option" /dev/null >/dev/null 2>&1 || fail "$option into /dev/null"
        [[ $(kind /dev/null) == "character special file" ]] || fail "/dev/null is $(kind /dev/null)"
    fi

    local message code
    message=$("$program" "$option" /dev/full 2>&1 >/dev/null)
    code=$?
    [[ $code == 4 && $message == "Cannot write '/dev/full': No space left on device." ]] ||
        fail "$option /dev/full: exit $code, '$message'"
    [[ $(kind /dev/full) == "character special file" ]] || fail "/dev/full is $(kind /dev/full)"

    "$program" "$option" - >stdout.$ext 2>/dev/null || fail "$option - failed"
    [[ ! -e ./- ]] || fail "$option - made a file named -"
    # (For SPICE, the subcircuit alone.)
    cmp -s plain.$ext stdout.$ext || fail "$option - differs from the file"
    message=$("$program" "$option" - 2>&1 >/dev/full)
    code=$?
    [[ $code == 4 && $message == "Cannot write to the standard output: No space left on device." ]] ||
        fail "$option - onto /dev/full: exit $code, '$message'"
    cd / && rm -rf "$dir"
}

check_export --export-csv csv
check_export --export-spice lib
# The picture and the page go through the same writer.
dir=$(mktemp -d)
ln -s real.png "$dir/link.png"
"$program" --export "$dir/link.png" --size 40x30 --bare >/dev/null 2>&1 || fail "--export through a link"
[[ $(kind "$dir/link.png") == "symbolic link" && -s $dir/real.png ]] || fail "--export: the link was replaced"
message=$("$program" --print-pdf /dev/full 2>&1 >/dev/null)
[[ $? == 4 && $message == "Cannot write '/dev/full': No space left on device." ]] ||
    fail "--print-pdf /dev/full: '$message'"
[[ $(kind /dev/full) == "character special file" ]] || fail "/dev/full is $(kind /dev/full)"
rm -rf "$dir"

if [[ $(id -u) == 0 && -z ${SPECIALPATHS_INSIDE:-} ]]; then
    if command -v setpriv >/dev/null && setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null; then
        SPECIALPATHS_INSIDE=1 TMPDIR=/tmp setpriv --reuid=nobody --regid=nogroup --clear-groups \
            env HOME=/tmp "$script" "$@" || failures=$((failures + 1))
    else
        echo "specialpaths: no setpriv to run as nobody: that half skipped"
    fi
fi

[[ $failures == 0 ]] && echo "specialpaths ($(id -un)): every kind of path was written as it should be"
exit $((failures > 0))
