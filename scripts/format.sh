#!/bin/sh
# Lays out every C++ file of the tree (build folders left out) as .clang-format says, with
# the formatter the code is written with; with --check it changes nothing and fails on
# the first file laid out otherwise. Fails when that formatter is missing.
#   format.sh [--check] [SOURCE-ROOT]
set -eu
mode=-i
if [ "${1:-}" = --check ]; then
    mode="--dry-run --Werror"
    shift
fi
formatter=clang-format-19
if ! command -v "$formatter" >/dev/null 2>&1; then
    echo "format: $formatter is not installed (scripts/setup.sh installs it)" >&2
    exit 1
fi
cd "${1:-$(dirname "$0")/..}"
files=$(find . \( -path './build*' -o -path ./.git \) -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print)
if [ -z "$files" ]; then
    echo "format: no C++ file found under $(pwd)" >&2
    exit 1
fi
# shellcheck disable=SC2086 # the mode is one or two words
echo "$files" | tr '\n' '\0' | xargs -0 "$formatter" --style=file:.clang-format $mode
echo "format: $(echo "$files" | wc -l) files laid out as .clang-format says"
