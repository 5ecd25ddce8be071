#!/usr/bin/env bash
# Compares the shared object's dynamic symbols with the functions the public header declares.
# With "-" for the library, the exported names are read from standard input, one a line.
set -euo pipefail
library=$1
header=$2
expected_count=$3
if [ "$library" = - ]; then
    exported=$(sort)
else
    exported=$(nm -D --defined-only "$library" | awk '{print $3}' | sort)
fi
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
echo "$count exports, all QLV_ names declared in the header"
