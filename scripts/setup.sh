#!/usr/bin/env bash
# Installs what building and testing tavlin needs on a Debian 12 machine (run as root).
# Installs only what is missing, so a prepared machine pays nothing.
set -euo pipefail

packages=(
  cmake make g++ g++-multilib python3 clang-format
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  openjdk-17-jdk-headless
  # A JDBC driver, found through the context class loader in the client-thread tests.
  libh2-java
  # The release archive (scripts/package.sh) and its test.
  zip unzip
  mingw-w64
  # wine64-tools brings widl, which compiles src/com/tavlin.idl for every build, the native
  # one included (the type library imports libwine's stdole2.tlb).
  wine wine64 wine32:i386 wine64-tools
  # The test-only forwarding jvm.dll is a Winelib DLL for each architecture, and the i686
  # one needs a 32-bit VM (the i386 runtime brings the amd64 JDK to the same version).
  libwine-dev:amd64 libwine-dev:i386 openjdk-17-jre-headless:i386
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
