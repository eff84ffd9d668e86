#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a while (default 60 s) on a copy of
# its seed corpus. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (targets: digipan jap1 adif hdb zlog)
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-60}"; shift || true
targets=("$@"); [ ${#targets[@]} -eq 0 ] && targets=(digipan jap1 adif hdb zlog)
CXX=clang++ cmake -S . -B build-fuzz -DTRELVO5_FUZZ=ON -DTRELVO5_BUILD_GUI=OFF -DTRELVO5_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"
for t in "${targets[@]}"; do
    work=$(mktemp -d)
    cp fuzz/corpus/"$t"/* "$work"/
    echo "== $t"
    build-fuzz/fuzz/fuzz_"$t" -max_total_time="$secs" -max_len=4096 -timeout=10 "$work" 2>&1 | tail -n 1
done
