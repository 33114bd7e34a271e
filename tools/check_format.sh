#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it with the
# repository's .clang-format; prints each offending line. Run from anywhere in the checkout.
# ./setup.sh test runs it first, so CI fails on unformatted code before it spends time building.
set -euo pipefail
cd "$(dirname "$0")/.."

# A copy without git history (an unpacked archive) checks every C++ file outside build/.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)
fi
if [ ${#files[@]} -eq 0 ]; then
    echo "check_format: no C++ files are tracked" >&2
    exit 1
fi
clang-format --dry-run -Werror "${files[@]}"
echo "check_format: ${#files[@]} files formatted"
