#!/usr/bin/env bash
# Builds the release archive for Windows users, dist/tavlin-<version>-windows.zip, which
# holds x86/tavlin.dll, x64/tavlin.dll, install.cmd, uninstall.cmd, README.txt and examples/
# from the i686 and x86_64 builds (scripts/build.sh makes both and then runs this). The
# version is the project's, as CMake configured the builds (the top CMakeLists.txt).
#   package.sh [output folder]        (default: dist)
# TAVLIN_WIN32_BUILD and TAVLIN_WIN64_BUILD name other build folders than build/win32 and
# build/win64.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$top/dist}"
win32="${TAVLIN_WIN32_BUILD:-$top/build/win32}"
win64="${TAVLIN_WIN64_BUILD:-$top/build/win64}"

project_version() {  # build folder
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt" 2>/dev/null
}
version=$(project_version "$win64")
if [ -z "$version" ] || [ "$version" != "$(project_version "$win32")" ]; then
  echo "package.sh: $win32 and $win64 must be configured builds of the same version" >&2
  exit 1
fi
for dll in "$win32/src/tavlin.dll" "$win64/src/tavlin.dll" "$win32/src/tavlinhost.exe" "$win64/src/tavlinhost.exe"; do
  [ -f "$dll" ] || { echo "package.sh: $dll is not built" >&2; exit 1; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root="$stage/archive"
mkdir -p "$root/x86" "$root/x64" "$root/examples/excel" "$root/examples/powershell"
# Without the builds' debugging information: a tenth of the size.
i686-w64-mingw32-strip -o "$root/x86/tavlin.dll" "$win32/src/tavlin.dll"
x86_64-w64-mingw32-strip -o "$root/x64/tavlin.dll" "$win64/src/tavlin.dll"
# Beside each DLL, the local server of Tavlin.Util.Isolated of its bitness.
i686-w64-mingw32-strip -o "$root/x86/tavlinhost.exe" "$win32/src/tavlinhost.exe"
x86_64-w64-mingw32-strip -o "$root/x64/tavlinhost.exe" "$win64/src/tavlinhost.exe"

# Text files get Windows line ends; cmd in particular misreads labels in files without them.
windows_text() {  # source, destination
  sed 's/\r$//; s/$/\r/' "$1" > "$2"
}
windows_text "$top/packaging/windows/install.cmd" "$root/install.cmd"
windows_text "$top/packaging/windows/uninstall.cmd" "$root/uninstall.cmd"
sed "s/@VERSION@/$version/g" "$top/packaging/windows/README.txt" > "$stage/README.txt"
windows_text "$stage/README.txt" "$root/README.txt"
for example in README.md demo.vbs demo.js excel/FillSheet.bas powershell/Demo.ps1; do
  windows_text "$top/examples/$example" "$root/examples/$example"
done

mkdir -p "$out"
archive="$(cd "$out" && pwd)/tavlin-$version-windows.zip"
rm -f "$archive"
(cd "$root" && zip -q -X -r "$archive" .)
echo "$archive"
