#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour sanitizers)
# and runs each for a while (default 60 s) on a copy of its seed corpus, then prints, per
# target, the executions, the executions a second and the time 10 million would take. Every
# target runs in memory (no file is written). Not part of CI; `ctest -L fuzz` replays the
# corpora there. A crash leaves its input as crash-* in the current folder: copy it into
# fuzz/regressions/TARGET/ once fixed.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (default: every fuzz/fuzz_*.cpp)
#        RUNS=10000000 scripts/fuzz.sh 0 zlog      (a number of executions instead of a time)
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-60}"; shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for src in fuzz/fuzz_*.cpp; do t=$(basename "$src" .cpp); targets+=("${t#fuzz_}"); done
fi
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CXX=clang++ cmake -S . -B build-fuzz -DTRELVO5_FUZZ=ON -DTRELVO5_BUILD_GUI=OFF -DTRELVO5_BUILD_TESTS=OFF \
    "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j"$(nproc)"
limit=(-max_total_time="$secs")
[ -n "${RUNS:-}" ] && limit=(-runs="$RUNS")
summary=()
for t in "${targets[@]}"; do
    work=$(mktemp -d)
    cp fuzz/corpus/"$t"/* "$work"/
    [ -d fuzz/regressions/"$t" ] && cp fuzz/regressions/"$t"/* "$work"/
    echo "== $t"
    log=$(build-fuzz/fuzz/fuzz_"$t" "${limit[@]}" -max_len=4096 -timeout=10 -print_final_stats=1 "$work" 2>&1 || true)
    rm -rf "$work"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' <<<"$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' <<<"$log" | tail -n 1)
    rate=${rate:-?}
    hours=$(awk -v r="$rate" 'BEGIN { if (r + 0 > 0) printf "%.2f", 10000000 / r / 3600; else print "?" }')
    grep -E "ERROR|crash-|deadly signal" <<<"$log" | head -n 5 || true
    summary+=("$(printf '%-10s %12s runs %8s exec/s   10 M: %s h' "$t" "${runs:-?}" "$rate" "$hours")")
done
echo "== executions per target"
printf '%s\n' "${summary[@]}"
