#!/usr/bin/env bash
# Fails when a C++ source of the project is not laid out as the repository's .clang-format says.
# Run by scripts/test.sh before the build; `clang-format -i FILE` mends a file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
clang-format --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} sources laid out as .clang-format says"
