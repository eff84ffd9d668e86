#!/usr/bin/env bash
# Installs, builds with warnings as errors and the address/undefined sanitizers, and runs
# every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build-test -DTRELVO5_WERROR=ON -DTRELVO5_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
