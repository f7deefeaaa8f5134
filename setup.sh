#!/usr/bin/env bash
# Sets Shelvio up on Debian 12: installs the packages that are missing, builds, then starts the program
# ("run", the default) or runs every test in a sanitizer build ("test").
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-run}
packages=(
    build-essential cmake
    qt6-base-dev qt6-webengine-dev qt6-pdf-dev libqt6sql6-sqlite libquazip1-qt6-dev qt6-l10n-tools
    libboost-dev libsqlite3-dev curl calibre
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

jobs=$(nproc)
case "$mode" in
run)
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
    cmake --build build -j"$jobs"
    exec ./build/app/shelvio
    ;;
test)
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DSHELVIO_SANITIZE=ON -DBUILD_TESTING=ON
    cmake --build build-asan -j"$jobs"
    cd build-asan
    exec ctest --output-on-failure -j"$jobs"
    ;;
*)
    echo "usage: $0 [run|test]" >&2
    exit 2
    ;;
esac
