#!/bin/sh
# Runs a program on the emulated USB bus.
#
# Usage: run_emulated.sh <preload list> <program> [arguments...]
#
# umockdev's preload library has to be in LD_PRELOAD from exec, after a sanitizer runtime when
# there is one (the list gives both, in that order). The run gets a TMPDIR of its own, under
# $QLV_USBEMU_TMP when set, and removed afterwards: the testbed lives there, and a run that is
# killed leaves its folder in the build tree rather than in /tmp.
set -u
preload=$1
shift
base=${QLV_USBEMU_TMP:-${TMPDIR:-/tmp}}
mkdir -p "$base"
dir=$(mktemp -d "$base/qlv-usbemu.XXXXXX") || exit 2
trap 'rm -rf "$dir"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
case $preload in
*libtsan*)
    # See tsan.supp: the libraries of the emulation are not built with ThreadSanitizer. Its entries
    # join those of a suppressions file already given (ThreadSanitizer reads only one).
    suppressions=$dir/tsan.supp
    cat "$(dirname "$0")/tsan.supp" >"$suppressions"
    given=$(printf '%s' "${TSAN_OPTIONS:-}" | sed -n 's/.*suppressions=\([^: ]*\).*/\1/p')
    if [ -n "$given" ] && [ -r "$given" ]; then
        cat "$given" >>"$suppressions"
    fi
    TSAN_OPTIONS="$(printf '%s' "${TSAN_OPTIONS:-}" | sed 's/suppressions=[^: ]*//'):suppressions=$suppressions"
    export TSAN_OPTIONS
    ;;
esac
# umockdev's preload aborts the whole program, rarely, when its ioctl socket is reset under it
# (seen once in about a thousand runs, as the device node was detached and attached again). That
# is the emulation failing, not the program: such a run, and only such a run, is made again with
# a fresh testbed, at most twice.
attempt=1
while :; do
    mkdir "$dir/$attempt"
    TMPDIR=$dir/$attempt LD_PRELOAD="$preload${LD_PRELOAD:+:$LD_PRELOAD}" "$@" 2>"$dir/stderr"
    status=$?
    cat "$dir/stderr" >&2
    if [ "$status" -eq 0 ] || [ "$attempt" -ge 3 ] ||
        ! grep -q 'libumockdev-preload: Error communicating with ioctl socket' "$dir/stderr"; then
        exit "$status"
    fi
    echo "run_emulated.sh: umockdev's preload lost its ioctl socket; running the program again" >&2
    attempt=$((attempt + 1))
done
