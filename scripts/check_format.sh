#!/usr/bin/env bash
# Fails when a C or C++ source under version control differs from the repository's .clang-format.
# The build folders are not under version control, so they are never looked at.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "==> sources formatted as .clang-format says"
