#!/usr/bin/env bash
# Exports onto a full disk: an 8 KiB tmpfs holding the file to be replaced. Each export must fail
# with exit 4 and the reason, and leave the old file byte for byte. The tmpfs lives in a mount
# namespace of this script's own, so nothing is left mounted whatever happens. Skips (exit 77)
# where mounting is not permitted.
#
# fulldisk.sh VALVESCOPE
set -uo pipefail

program=$1
if [[ ${FULLDISK_INSIDE:-} != 1 ]]; then
    if ! unshare --mount --propagation private true 2>/dev/null; then
        echo "fulldisk: no mount namespace here (needs root): skipped"
        exit 77
    fi
    exec env FULLDISK_INSIDE=1 unshare --mount --propagation private "$0" "$@"
fi

disk=$(mktemp -d)
trap 'umount "$disk" 2>/dev/null; rmdir "$disk"' EXIT
if ! mount -t tmpfs -o size=8k tmpfs "$disk" 2>/dev/null; then
    echo "fulldisk: mounting a tmpfs is not permitted here: skipped"
    exit 77
fi

failures=0
# Every overlay: each picture, the curve data, the page and the subcircuit are larger than the disk.
for type in png svg pdf csv page.pdf lib; do
    file=$disk/keep.$type
    printf 'OLD\n' >"$file"
    case $type in
    csv) option=--export-csv ;;
    page.pdf) option=--print-pdf ;;
    lib) option=--export-spice ;;
    *) option=--export ;;
    esac
    message=$(QT_QPA_PLATFORM=offscreen "$program" "$option" "$file" --show imax,wp,vmax,rk,load \
        2>&1 >/dev/null)
    code=$?
    expected="Cannot write '$file': No space left on device."
    if [[ $code != 4 || $message != "$expected" ]]; then
        echo "fulldisk: $type: exit $code, '$message'; expected exit 4, '$expected'"
        failures=$((failures + 1))
    fi
    if ! printf 'OLD\n' | cmp -s - "$file"; then
        echo "fulldisk: $type: the old file was changed"
        failures=$((failures + 1))
    fi
    if [[ $(ls -A "$disk") != keep.$type ]]; then
        echo "fulldisk: $type: left behind: $(ls -A "$disk")"
        failures=$((failures + 1))
    fi
    rm -f "$disk"/*
done
# A picture that fits still replaces the file.
printf 'OLD\n' >"$disk/small.png"
QT_QPA_PLATFORM=offscreen "$program" --export "$disk/small.png" --size 40x30 --bare ||
    { echo "fulldisk: a small picture was not written"; failures=$((failures + 1)); }
[[ $(head -c 4 "$disk/small.png" | tail -c 3) == PNG ]] ||
    { echo "fulldisk: the small picture is not a PNG"; failures=$((failures + 1)); }

[[ $failures == 0 ]] && echo "fulldisk: every export on a full disk failed cleanly"
exit $((failures > 0))
