#!/usr/bin/env bash
# Cross-compiles the engine and the trelvo5 command for Windows with MinGW-w64, to keep the
# code portable. Not part of the test run: needs g++-mingw-w64-x86-64-posix.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v x86_64-w64-mingw32-g++-posix >/dev/null || {
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get install -y -qq g++-mingw-w64-x86-64-posix >/dev/null
}
inc=$(mktemp -d)
cp -r /usr/include/CLI "$inc/"
cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
      -DTRELVO5_BUILD_TESTS=OFF -DTRELVO5_BUILD_GUI=OFF -DTRELVO5_WERROR=ON \
      -DCLI11_INCLUDE_DIR="$inc" >/dev/null
cmake --build build-mingw -j2
echo "Windows build: build-mingw/trelvo5.exe"
