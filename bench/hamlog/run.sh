#!/usr/bin/env bash
# Builds a database of 1,000,000 contacts with `trelvo5 db create`, then times
# `trelvo5 db dump` over it and reports the elapsed time and the peak memory.
# Target: the dump in under 3 seconds.
# usage: bash bench/hamlog/run.sh [BUILD_DIR] [RECORDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
n="${2:-1000000}"
out="$root/bench/out/hamlog"
mkdir -p "$out"
prog="$build/trelvo5"
[ -x "$prog" ] || { echo "build first: $prog not found" >&2; exit 2; }

if [ ! -f "$out/big-$n.csv" ]; then
    LC_ALL=C gawk -v N="$n" -f "$root/bench/hamlog/make_csv.awk" > "$out/big-$n.csv"
fi
/usr/bin/time -f '%e %M' -o "$out/create.time" \
    "$prog" db create "$out/Big.HDB" --from "$out/big-$n.csv" --date 2025-01-01 --force >/dev/null
read -r ct cm < "$out/create.time"
echo "db create: $n records, $(stat -c %s "$out/Big.HDB") bytes, ${ct} s, peak ${cm} KB"

best=""
for run in 1 2 3; do
    /usr/bin/time -f '%e %M' -o "$out/dump.time" "$prog" db dump "$out/Big.HDB" > "$out/dump.txt"
    read -r t m < "$out/dump.time"
    echo "db dump run $run: ${t} s, peak ${m} KB, $(wc -l < "$out/dump.txt") lines"
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best="$t"; bestm="$m"; fi
done
verdict=$(awk -v t="$best" 'BEGIN { print (t < 3.0) ? "PASS" : "FAIL" }')
echo "db dump best: ${best} s, peak ${bestm} KB (target under 3 s): $verdict"
[ "$verdict" = PASS ]
