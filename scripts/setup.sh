#!/usr/bin/env bash
# Installs what building and testing tavlin needs on a Debian 12 machine (run as root).
# Installs only what is missing, so a prepared machine pays nothing.
set -euo pipefail

packages=(
  cmake make g++ python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  openjdk-17-jdk-headless
  mingw-w64 mingw-w64-tools
  wine wine64 wine32:i386 libwine-dev wine64-tools
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
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
