#!/usr/bin/env bash
# Configures and builds into the given folder; extra arguments go to cmake.
set -euo pipefail
dir="${1:-build}"; shift || true
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$(dirname "$0")/.." -B "$dir" "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
