#!/usr/bin/env bash
# sources_are_ascii.sh <repository>: fails, naming file and line, when a C or C++ source of the
# repository holds a byte above 127. Write cp1251 texts as escapes ("\xcf\xf0\xe8"), so that
# g++ and clang make the same bytes from one set of flags. A check that cannot list the sources
# (no git, not a checkout) fails too, rather than finding nothing.
set -uo pipefail
cd "$1" || exit 2
if ! listed=$(git ls-files -co --exclude-standard -- '*.cpp' '*.h' '*.c' '*.hpp'); then
  echo "Could not list the sources with git in $1"
  exit 2
fi
if [ -z "$listed" ]; then
  echo "No C or C++ sources listed in $1"
  exit 2
fi
found=$(printf '%s\n' "$listed" | LC_ALL=C xargs -r -d '\n' grep -snP '[\x80-\xFF]' --)
if [ -n "$found" ]; then
  echo "Bytes above 127 in sources; write them as escapes (\\xNN):"
  echo "$found" | cut -c1-160
  exit 1
fi
echo "All sources are ASCII ($(printf '%s\n' "$listed" | wc -l) files)."
