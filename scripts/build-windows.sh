#!/usr/bin/env bash
# Cross-compiles trelvo5-gui.exe (the Win32 window) and trelvo5.exe (the command line) for
# 64-bit Windows with MinGW-w64, statically linked so they run on a bare Windows PC, and packs
# dist/trelvo5-<version>-win64.zip: one folder holding both programs, the help page, the DXCC
# tables and README.txt.
# usage: scripts/build-windows.sh [BUILD_DIR]   (default build-mingw)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-mingw}
command -v x86_64-w64-mingw32-g++-posix >/dev/null || {
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get install -y -qq --no-install-recommends g++-mingw-w64-x86-64-posix >/dev/null
}
# CLI11 is header-only; the cross toolchain looks for headers only below its own root.
mkdir -p "$dir/cli11"
cp -r /usr/include/CLI "$dir/cli11/"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DTRELVO5_BUILD_TESTS=OFF -DTRELVO5_BUILD_GUI=ON -DTRELVO5_WERROR=ON \
      -DCLI11_INCLUDE_DIR="$PWD/$dir/cli11" "${launcher[@]}" >/dev/null
cmake --build "$dir" -j2

version=$(sed -n 's/^project(trelvo5 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=trelvo5-$version-win64
stage=dist/$name
rm -rf "$stage" "dist/$name.zip"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/trelvo5-gui.exe" "$dir/trelvo5-gui.exe"
x86_64-w64-mingw32-strip -o "$stage/trelvo5.exe" "$dir/trelvo5.exe"
cp data/ADIF2HL.txt data/HL2ADIF.txt src/gui/help/TRELVO5.html "$stage/"
# Notepad users: Shift-JIS (CP932) with CR LF.
iconv -f UTF-8 -t CP932 scripts/windows/README.txt | sed 's/$/\r/' >"$stage/README.txt"
for licence in LICENSE LICENSE.txt COPYING; do
    [ -f "$licence" ] && sed 's/$/\r/' "$licence" >"$stage/LICENSE.txt" && break
done
(cd dist && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "Windows package: dist/$name.zip"
