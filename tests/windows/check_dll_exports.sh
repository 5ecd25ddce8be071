#!/usr/bin/env bash
# Compares the DLL's export table with the functions the public header declares, and checks that
# the DLL needs nothing but system DLLs (the runtime is linked in).
set -euo pipefail
dll=$1
header=$2
expected_count=$3
objdump=${QLV_OBJDUMP:-x86_64-w64-mingw32-objdump}
table=$("$objdump" -p "$dll")
exported=$(echo "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    grep -o 'QLV_[A-Za-z0-9]*\|^\s*\[ *[0-9]*\] .*' | awk '{print $NF}' | sort -u)
declared=$(grep -o 'QLV_EXPORT [a-z0-9_]* QLV_[A-Za-z0-9]*' "$header" | awk '{print $3}' | sort)
if [ "$exported" != "$declared" ]; then
    echo "exported and declared names differ:"
    diff <(echo "$declared") <(echo "$exported") || true
    exit 1
fi
count=$(echo "$exported" | wc -l)
if [ "$count" -ne "$expected_count" ]; then
    echo "$count exports, expected $expected_count"
    exit 1
fi
needed=$(echo "$table" | awk '/DLL Name:/ {print toupper($3)}' | sort -u)
for name in $needed; do
    case $name in
    KERNEL32.DLL | MSVCRT.DLL | SETUPAPI.DLL | WINUSB.DLL | GDI32.DLL | USER32.DLL) ;;
    *)
        echo "the DLL needs $name, which Windows does not ship"
        exit 1
        ;;
    esac
done
echo "$count exports, all QLV_ names declared in the header; needs only $(echo $needed)"
