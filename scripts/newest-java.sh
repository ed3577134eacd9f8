#!/usr/bin/env bash
# Prints the home of the newest JDK installed on this machine for its own architecture (one
# with jni.h and a server VM), when it is newer than the JDK the builds use by default (the
# javac on PATH); prints nothing otherwise.
set -euo pipefail
major_of() {  # the feature version in a JDK's release file: 1.8 -> 8, 17.0.9 -> 17
  sed -n 's/^JAVA_VERSION="\(1\.\)\{0,1\}\([0-9]*\).*/\2/p' "$1/release" 2>/dev/null
}
machine_of() {  # an ELF file's e_machine, which tells an i386 VM from an amd64 one
  od -An -tx1 -j18 -N2 "$1" | tr -d ' \n'
}
default_home=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
best_home=$default_home
best=$(major_of "$default_home")
for home in /usr/lib/jvm/*/; do
  home=${home%/}
  [ -f "$home/include/jni.h" ] && [ -f "$home/lib/server/libjvm.so" ] || continue
  [ "$(machine_of "$home/lib/server/libjvm.so")" = "$(machine_of "$(readlink -f "$(command -v javac)")")" ] || continue
  major=$(major_of "$home")
  [ -n "$major" ] && [ "$major" -gt "${best:-0}" ] || continue
  best=$major best_home=$home
done
[ "$best_home" != "$default_home" ] && echo "$best_home"
exit 0
