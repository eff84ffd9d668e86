#!/usr/bin/env bash
# ADIF import benchmark: times `trelvo5 import adif` on a generated log of RECORDS records
# (default 1,000,000: about 240 MB of Shift-JIS text with CR LF line ends) and prints records
# per second, MB/s and peak memory, next to iconv, an awk split of the same file and the npm
# package adif-parser-ts (installed into bench/out/ when the npm registry can be reached).
#
# usage: bash bench/adif/run.sh [RECORDS]
# Targets: at least 100 MB/s for the whole import (prescan included), at least 4x the npm
# parser, every record converted, memory flat.
set -euo pipefail
cd "$(dirname "$0")/../.."
N="${1:-1000000}"
BUILD="${BUILD:-build-bench}"
OUT=bench/out/adif
mkdir -p "$OUT"

bash scripts/build.sh "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTRELVO5_BUILD_TESTS=OFF -DTRELVO5_BUILD_GUI=OFF
BIN="$BUILD/trelvo5"

LOG="$OUT/bench-$N.adi"
if [ ! -f "$LOG" ]; then
    echo "generating $N records ..."
    python3 bench/adif/gen_adif.py "$N" "$LOG.part" && mv "$LOG.part" "$LOG"
fi
BYTES=$(stat -L -c %s "$LOG")
MB=$(awk -v b="$BYTES" 'BEGIN { printf "%.1f", b / 1e6 }')
echo "input: $LOG, $N records, $MB MB"

# time_it NAME COMMAND...: runs once to warm the page cache, then measures; sets ELAPSED (wall
# seconds), CPU (user + system seconds) and PEAK_KB. The machine may be shared: CPU time shows
# what the program itself needed when the wall time is stretched by other work.
time_it() {
    local name="$1"; shift
    "$@" >/dev/null 2>&1 || true
    /usr/bin/time -f "%e %U %S %M" -o "$OUT/time.txt" "$@" >"$OUT/$name.stdout" 2>"$OUT/$name.stderr" || true
    local user sys
    read -r ELAPSED user sys PEAK_KB < <(tail -n 1 "$OUT/time.txt")
    CPU=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
}
report() {  # NAME RECORDS_SEEN
    awk -v n="$1" -v s="$ELAPSED" -v c="$CPU" -v k="$PEAK_KB" -v b="$BYTES" -v r="$2" 'BEGIN {
        rate = (s > 0 && r != "-") ? sprintf("%.0f", r / s) : "-"; mbs = (s > 0) ? b / 1e6 / s : 0;
        printf "%-22s %7.2f s %7.2f s %12s %8.1f %9.1f MB %9s\n", n, s, c, rate, mbs, k / 1024, r }'
}

echo
printf "%-22s %9s %9s %12s %8s %12s %9s\n" "" "wall" "cpu" "records/s" "MB/s" "peak memory" "records"
time_it trelvo5 "$BIN" --ini "$OUT/none.ini" import adif "$LOG" --map auto --qsl-sent --qsl-rcvd -o "$OUT/out.csv"
T_TRELVO=$ELAPSED
C_TRELVO=$CPU
LINES=$(wc -l < "$OUT/out.csv")
report "trelvo5 import adif" "$LINES"

time_it iconv iconv -f CP932 -t UTF-8 "$LOG" -o /dev/null
report "iconv -f CP932" "-"

time_it awk awk 'BEGIN { RS = "<[Ee][Oo][Rr]>" } { n++ } END { print n - 1 }' "$LOG"
report "awk split" "$(cat "$OUT/awk.stdout")"

T_NPM=""
NODE_DIR="$OUT/node"
if command -v node >/dev/null && command -v npm >/dev/null; then
    if [ ! -d "$NODE_DIR/node_modules/adif-parser-ts" ]; then
        mkdir -p "$NODE_DIR"
        npm install --prefix "$NODE_DIR" --no-audit --no-fund --silent adif-parser-ts >/dev/null 2>&1 || true
    fi
fi
if [ -d "$NODE_DIR/node_modules/adif-parser-ts" ]; then
    time_it npm env NODE_PATH="$NODE_DIR/node_modules" node --max-old-space-size=16384 bench/adif/adif_parser_ts.js "$LOG"
    T_NPM=$ELAPSED
    report "adif-parser-ts (node)" "$(cat "$OUT/npm.stdout")"
else
    echo "adif-parser-ts: not installed (npm registry not reachable), skipped"
fi

echo
STATUS=0
if [ "$LINES" -ne "$N" ]; then echo "FAIL: $LINES of $N records converted"; STATUS=1; else echo "ok: every record converted"; fi
awk -v b="$BYTES" -v s="$T_TRELVO" -v c="$C_TRELVO" 'BEGIN { m = b / 1e6 / s; printf "%s: %.1f MB/s (target 100; %.1f MB per CPU second)\n", (m >= 100 ? "ok" : "BELOW TARGET"), m, b / 1e6 / c }'
if [ -n "$T_NPM" ]; then
    awk -v a="$T_NPM" -v s="$T_TRELVO" 'BEGIN { r = a / s; printf "%s: %.1fx adif-parser-ts (target 4x)\n", (r >= 4 ? "ok" : "BELOW TARGET"), r }'
fi
exit $STATUS
