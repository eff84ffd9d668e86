#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a while (default 60 s) on a copy of
# its seed corpus, then prints the executions of each. Not part of CI.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (default: every fuzz/fuzz_*.cpp, that is
# digipan jap1 adif hdb mst ini zlog)
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-60}"; shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for src in fuzz/fuzz_*.cpp; do t=$(basename "$src" .cpp); targets+=("${t#fuzz_}"); done
fi
CXX=clang++ cmake -S . -B build-fuzz -DTRELVO5_FUZZ=ON -DTRELVO5_BUILD_GUI=OFF -DTRELVO5_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"
summary=()
for t in "${targets[@]}"; do
    work=$(mktemp -d)
    cp fuzz/corpus/"$t"/* "$work"/
    echo "== $t"
    last=$(build-fuzz/fuzz/fuzz_"$t" -max_total_time="$secs" -max_len=4096 -timeout=10 "$work" 2>&1 | tail -n 1 || true)
    echo "$last"
    rm -rf "$work"
    summary+=("$t: $last")
done
echo "== executions per target"
printf '%s\n' "${summary[@]}"
