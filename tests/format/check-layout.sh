#!/bin/sh
# The source tree's folders form layers: no folder includes a header from a folder that
# (directly or through others) includes one of its own, and src/bridge keeps its code in its
# rooms, none loose beside them. Prints every folder cycle found.
#   check-layout.sh <source folder>
set -eu
cd "$1/src"
loose=$(find bridge -maxdepth 1 -type f -name '*.[ch]*')
if [ -n "$loose" ]; then
  echo "code outside the bridge's rooms: $loose"
  exit 1
fi
# One "from to" line per folder that includes a header of another.
edges=$(git ls-files '*.h' '*.cpp' | while read -r file; do
  sed -n 's/^#include "\([^"]*\/\)[^"/]*"$/\1/p' "$file" | sed 's/\/$//' | while read -r to; do
    from=$(dirname "$file")
    [ "$from" = "$to" ] || echo "$from $to"
  done
done | sort -u)
echo "$edges" | awk '
  NF == 2 { out[$1] = out[$1] " " $2; nodes[$1]; nodes[$2] }
  function reaches(from, target,    n, list, i) {
    if (from == target) return 1
    if (from in seen) return 0
    seen[from]
    n = split(out[from], list, " ")
    for (i = 1; i <= n; i++) if (reaches(list[i], target)) return 1
    return 0
  }
  END {
    cycles = 0
    for (a in out) {
      n = split(out[a], targets, " ")
      for (i = 1; i <= n; i++) {
        delete seen
        if (reaches(targets[i], a)) { print "include cycle: " a " -> " targets[i] " -> ... -> " a; cycles++ }
      }
    }
    print cycles " include cycles among " length(nodes) " folders"
    exit cycles > 0
  }'
