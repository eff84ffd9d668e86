#!/usr/bin/env bash
# Export benchmark: builds a database of RECORDS contacts (default 1,000,000) with
# `trelvo5 db create`, then times the four exports and `trelvo5 db dump` on it in the same run,
# printing records per second and peak memory.
# Targets: each export within 1.5x of the dump's time, peak memory under 30 MB.
# usage: bash bench/export/run.sh [BUILD_DIR] [RECORDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
n="${2:-1000000}"
out="$root/bench/out/export"
mkdir -p "$out"
prog="$build/trelvo5"
[ -x "$prog" ] || { echo "build first: $prog not found" >&2; exit 2; }

if [ ! -f "$out/Big-$n.HDB" ]; then
    LC_ALL=C gawk -v N="$n" -f "$root/bench/hamlog/make_csv.awk" > "$out/big-$n.csv"
    "$prog" db create "$out/Big-$n.HDB" --from "$out/big-$n.csv" --master "$out/Big-$n.mst" \
        --date 2025-01-01 --force >/dev/null
    rm -f "$out/big-$n.csv"
fi
db="$out/Big-$n.HDB"
echo "database: $db, $n records, $(stat -c %s "$db") bytes"

# measure NAME COMMAND...: the best of three runs (the machine may be shared); sets T (wall
# seconds), C (user + system seconds of that run) and M (peak KB over the runs).
measure() {
    local name="$1"; shift
    T=""; C=""; M=0
    for run in 1 2 3; do
        /usr/bin/time -f '%e %U %S %M' -o "$out/$name.time" "$@" >"$out/$name.stdout" 2>"$out/$name.stderr"
        read -r t u s m < "$out/$name.time"
        if [ -z "$T" ] || awk -v a="$t" -v b="$T" 'BEGIN { exit !(a < b) }'; then
            T="$t"; C=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
        fi
        if [ "$m" -gt "$M" ]; then M="$m"; fi
    done
}
line() {  # NAME
    awk -v name="$1" -v t="$T" -v c="$C" -v m="$M" -v n="$n" 'BEGIN {
        printf "%-24s %7.2f s wall %7.2f s cpu %10.0f records/s %7.1f MB\n", name, t, c, (t > 0 ? n / t : 0), m / 1024 }'
}

status=0
measure dump "$prog" db dump "$db"
T_DUMP="$T"
C_DUMP="$C"
line "db dump"
for kind in adif csv csv5 backup; do
    measure "$kind" "$prog" export "$kind" "$db" -o "$out/out.$kind"
    line "export $kind"
    verdict=$(awk -v t="$T" -v d="$T_DUMP" -v c="$C" -v dc="$C_DUMP" -v m="$M" 'BEGIN {
        r = (d > 0) ? t / d : 0; ok = (r <= 1.5 && m < 30 * 1024);
        printf "%s: %.2fx db dump (cpu %.2fx), peak %.1f MB", (ok ? "ok" : "FAIL"), r, (dc > 0 ? c / dc : 0), m / 1024 }')
    echo "    $verdict"
    case "$verdict" in FAIL*) status=1 ;; esac
done
measure standard "$prog" export adif "$db" -o "$out/out.standard" --standard
line "export adif --standard"

# Times on a shared machine wander; instructions do not. With valgrind, count them for each
# command on a database of 20,000 contacts of the same kind.
if command -v valgrind >/dev/null; then
    small="$out/Small.HDB"
    if [ ! -f "$small" ]; then
        LC_ALL=C gawk -v N=20000 -f "$root/bench/hamlog/make_csv.awk" > "$out/small.csv"
        "$prog" db create "$small" --from "$out/small.csv" --master "$out/Small.mst" --date 2025-01-01 --force >/dev/null
    fi
    count() {  # COMMAND...: instructions executed
        valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
            awk '/Collected/ { print $NF }'
    }
    base=$(count "$prog" db dump "$small")
    echo "instructions, 20,000 records: db dump $base"
    for kind in adif csv csv5 backup; do
        n_kind=$(count "$prog" export "$kind" "$small" -o "$out/small.$kind")
        awk -v k="$kind" -v n="$n_kind" -v b="$base" 'BEGIN { printf "    export %-7s %12d (%.2fx db dump)\n", k, n, n / b }'
    done
fi
exit $status
