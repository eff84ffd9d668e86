#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour sanitizers)
# and runs each for a while (default 60 s) on a copy of its seed corpus, then prints, per
# target, the executions, the executions a second of the fuzzer's own CPU time (user + system:
# the machine may be shared) beside libFuzzer's wall-clock figure, and the CPU time 10 million
# would take. Every target runs in memory (no file is written); the working corpus lives in
# /dev/shm where there is one. Allocation stacks are not recorded while fuzzing (they cost a
# tenth of every execution): a crash leaves its input as crash-* in the current folder, and
# `build-fuzz/fuzz/fuzz_TARGET crash-...` replays it with full stacks. Copy it into
# fuzz/regressions/TARGET/ once fixed. Not part of CI; `ctest -L fuzz` replays the corpora there.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (default: every fuzz/fuzz_*.cpp)
#        RUNS=10000000 scripts/fuzz.sh 0 zlog      (a number of executions instead of a time)
#        FUZZ_LOGS=DIR scripts/fuzz.sh ...         (keeps libFuzzer's output as DIR/TARGET.log)
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
shm=()
[ -d /dev/shm ] && [ -w /dev/shm ] && shm=(-p /dev/shm)
for t in "${targets[@]}"; do
    work=$(mktemp -d "${shm[@]}")
    seeds="${t%_paths}"  # a target comparing two ways of reading shares its format's seeds
    cp fuzz/corpus/"$seeds"/* "$work"/
    for dir in "$seeds" "$t"; do
        [ -d fuzz/regressions/"$dir" ] && cp fuzz/regressions/"$dir"/* "$work"/
    done
    echo "== $t"
    keep=/dev/null
    [ -n "${FUZZ_LOGS:-}" ] && keep="$FUZZ_LOGS/$t.log"
    # Long enough for a dozen lines or records of each format; longer inputs only repeat them
    # and slow every execution. A JAP1 record is about 85 bytes (1 KiB holds 12), a DigiPan
    # line about 125 (1.5 KiB holds 12), an ADIF record with its header a few hundred. A
    # database needs its header and several records.
    case "$seeds" in jap1) max_len=1024 ;; digipan) max_len=1536 ;; adif) max_len=2048 ;; *) max_len=4096 ;; esac
    # A freed block stays poisoned while the next 16 MB are allocated, not the default 256 MB:
    # one execution allocates far less, so a use after free inside it is still caught, and
    # blocks come back while their memory is still mapped and cached (a fifth of the time of
    # the jap1 and a tenth of the adif target went to touching memory gone cold).
    log=$(ASAN_OPTIONS="malloc_context_size=0:quarantine_size_mb=16${ASAN_OPTIONS:+:$ASAN_OPTIONS}" \
        /usr/bin/time -f "cpu-seconds: %U %S" build-fuzz/fuzz/fuzz_"$t" "${limit[@]}" -max_len="$max_len" \
        -timeout=10 -print_final_stats=1 "$work" 2>&1 | tee "$keep" || true)
    rm -rf "$work"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' <<<"$log" | tail -n 1)
    wall=$(sed -n 's/^stat::average_exec_per_sec: *//p' <<<"$log" | tail -n 1)
    cpu=$(awk '/^cpu-seconds:/ { print $2 + $3 }' <<<"$log" | tail -n 1)
    rate=$(awk -v n="${runs:-0}" -v c="${cpu:-0}" 'BEGIN { if (c > 0) printf "%.0f", n / c; else print "?" }')
    hours=$(awk -v r="$rate" 'BEGIN { if (r + 0 > 0) printf "%.2f", 10000000 / r / 3600; else print "?" }')
    grep -E "ERROR|crash-|deadly signal" <<<"$log" | head -n 5 || true
    summary+=("$(printf '%-10s %12s runs %8s exec/s CPU (%s wall)   10 M: %s h CPU' "$t" "${runs:-?}" "$rate" "${wall:-?}" "$hours")")
done
echo "== executions per target"
printf '%s\n' "${summary[@]}"
