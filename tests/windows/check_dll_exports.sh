#!/usr/bin/env bash
# Compares the DLL's export table with the functions the public header declares, and checks that
# the DLL needs nothing but system DLLs (the runtime is linked in).
set -euo pipefail
dll=$1
header=$2
expected_count=$3
objdump=${QLV_OBJDUMP:-x86_64-w64-mingw32-objdump}
table=$("$objdump" -p "$dll")
echo "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    grep -o 'QLV_[A-Za-z0-9]*\|^\s*\[ *[0-9]*\] .*' | awk '{print $NF}' | sort -u |
    "$(dirname "$0")/../QLV_API/check_exports.sh" - "$header" "$expected_count"
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
echo "the DLL needs only $(echo $needed)"
