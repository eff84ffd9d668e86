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
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
