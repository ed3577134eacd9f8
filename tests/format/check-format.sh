#!/bin/sh
# Every C and C++ file that git tracks is in the project's one format (.clang-format at the
# top, tests/winejvm keeping its own); prints the files that are not.
#   check-format.sh <source folder>
set -eu
cd "$1"
files=$(git ls-files '*.c' '*.cpp' '*.h')
unformatted=0
for file in $files; do
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
    echo "not formatted: $file (clang-format -i $file)"
    unformatted=$((unformatted + 1))
  fi
done
echo "$unformatted of $(echo "$files" | wc -w) files not formatted"
[ "$unformatted" -eq 0 ]
