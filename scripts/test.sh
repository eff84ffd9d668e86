#!/usr/bin/env bash
# Installs, checks the C++ layout against .clang-format, builds with warnings as errors and
# the address/undefined sanitizers, and runs every test; the Windows build (cross-compiled,
# packed) runs its tests under Wine (label "windows"; leave them out locally with
# `ctest -LE windows`).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/check-format.sh  # every C++ file as .clang-format lays it out
bash scripts/build-windows.sh build-mingw
bash scripts/build.sh build-test -DTRELVO5_WERROR=ON -DTRELVO5_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
    -DTRELVO5_WINDOWS_DIR="$PWD/build-mingw"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The tests' temporary files go to a folder of this run's own: two runs on one machine keep
# apart, and whatever a test leaves behind there fails the run. The tests that run as another
# user write there too.
scratch=$(mktemp -d)
chmod 1777 "$scratch"
rc=0
TMPDIR="$scratch" ctest --test-dir build-test --output-on-failure -j"$(nproc)" || rc=$?
if [ "$rc" -ne 0 ]; then
    echo "test.sh: the tests' temporary folder is kept: $scratch" >&2
    exit "$rc"
fi
# Wine's server leaves its lock folder (wine-*) there when it ends: that one is not ours.
left=$(find "$scratch" -mindepth 1 -maxdepth 1 ! -name 'wine-*')
rm -rf "$scratch"
if [ -n "$left" ]; then
    echo "test.sh: the tests left these behind in their temporary folder:" >&2
    echo "$left" >&2
    exit 1
fi
