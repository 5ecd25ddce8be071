#!/usr/bin/env bash
# qlvctl's bash completion: it offers exactly the commands `qlvctl --help` lists, and the words a
# command takes where they are words.
set -uo pipefail
export LC_ALL=C
: "${QLV_SOURCE_DIR:?}" "${QLV_BUILD_DIR:?}"

# shellcheck source=/dev/null
source "$QLV_SOURCE_DIR/packaging/qlvctl/qlvctl.bash-completion"

# Prints what completing the last word of the given command line offers, one word a line, sorted.
offered() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    _qlvctl 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

failures=0
expect() {
    local name=$1 wanted=$2
    shift 2
    local got
    got=$(offered "$@" | paste -sd' ')
    if [ "$got" = "$wanted" ]; then
        echo "ok   $name"
    else
        printf 'FAIL %s: expected "%s", got "%s"\n' "$name" "$wanted" "$got"
        failures=$((failures + 1))
    fi
}

# The commands of the help text: its "commands:" block, one per indented synopsis line.
listed=$("$QLV_BUILD_DIR/tools/qlvctl/qlvctl" --help |
    sed -n '/^commands:/,/^$/p' | sed -n 's/^  \([a-z][a-z]*\).*/\1/p' | sort -u | paste -sd' ')
[ -n "$listed" ] || {
    echo "FAIL: no commands found in qlvctl --help"
    exit 1
}
expect "every command of --help, and the options" "--help --version $listed" qlvctl ''

while IFS='|' read -r name wanted line; do
    read -ra words <<<"$line"
    [ "${words[-1]}" = _ ] && words[-1]='' # _ stands for an empty word being completed
    expect "$name" "$wanted" "${words[@]}"
done <<'EOF'
commands by prefix|serial set shipment status stream|qlvctl s
settings after set|ae awb|qlvctl set a
switch values|off on|qlvctl set ae _
flicker values|50 60 auto|qlvctl set flicker _
stream options|--help --resolution --seconds|qlvctl stream --
resolutions|0 1|qlvctl stream --resolution _
grab settings take a value after =|exposure=|qlvctl grab x.bmp --set ex
shipment set takes --hex|--hex|qlvctl shipment set 0 _
virtual camera commands by prefix|short-frame stall status|qlvctl virtual s
EOF
[ "$failures" -eq 0 ] || exit 1
echo "PASS"
