#!/bin/sh
# Checks every C++ file of the tree (build folders left out) against .clang-format with
# the formatter the code is written with. Fails when that formatter is missing.
#   format-check.sh SOURCE-ROOT
set -eu
formatter=clang-format-19
if ! command -v "$formatter" >/dev/null 2>&1; then
    echo "format-check: $formatter is not installed (scripts/setup.sh installs it)" >&2
    exit 1
fi
cd "$1"
files=$(find . \( -path './build*' -o -path ./.git \) -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print)
if [ -z "$files" ]; then
    echo "format-check: no C++ file found under $1" >&2
    exit 1
fi
echo "$files" | tr '\n' '\0' | xargs -0 "$formatter" --style=file:.clang-format --dry-run --Werror
echo "format-check: $(echo "$files" | wc -l) files formatted as .clang-format says"
