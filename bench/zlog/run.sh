#!/usr/bin/env bash
# Times `trelvo5 import zlog` on a generated .ZLO of N contacts (default 1,000,000, 256 MB)
# with --qth and the memo and contest name in the Remarks, next to `cat FILE > /dev/null` and
# `trelvo5 import digipan` on a DigiPan log of the same contacts, then once more with the name
# lookup (--qra-from) over a database of N records made by `trelvo5 db create`. Prints
# contacts per second, MB/s of input and peak memory; the fastest of RUNS runs (default 3)
# counts, since other work on the machine only ever slows a run down. A run on a tenth of the
# log shows that memory does not grow with the log.
#
# usage: bench/zlog/run.sh [N] [TRELVO5]     (TRELVO5 default: build/trelvo5)
# Targets: at least 1,000,000 contacts/s without the lookup, 200,000 with it; memory flat.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
n="${1:-1000000}"
prog="${2:-$root/build/trelvo5}"
runs="${RUNS:-3}"
out="$root/bench/out/zlog"
mkdir -p "$out/gene"
[ -x "$prog" ] || { echo "no trelvo5 at $prog (build it first, e.g. bash scripts/build.sh build)" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "needs GNU time (/usr/bin/time)" >&2; exit 1; }

zlo="$out/contest-$n.ZLO"
small="$out/contest-$((n / 10)).ZLO"
[ -s "$zlo" ] || python3 "$root/bench/zlog/gen_zlo.py" "$n" "$zlo" "$out/digipan-$n.LOG" "$out/db-$n.csv" "$out/codes.txt"
[ -s "$small" ] || python3 "$root/bench/zlog/gen_zlo.py" "$((n / 10))" "$small" "$out/digipan-small.LOG"
if [ ! -s "$out/Big.HDB" ] || [ "$(cat "$out/db.count" 2>/dev/null)" != "$n" ]; then
    "$prog" --ini "$out/none.ini" db create "$out/Big.HDB" --from "$out/db-$n.csv" --master "$out/Big.mst" \
        --from-codes "$out/codes.txt" --date 2026-01-01 --force >/dev/null
    echo "$n" >"$out/db.count"
fi
printf '[GeneData]\r\nGeneDataFol=%s/\r\n' "$out/gene" >"$out/TRELVO5.INI"
bytes=$(stat -c %s "$zlo")
dbytes=$(stat -c %s "$out/digipan-$n.LOG")

best() {
    local bt="" bc="" bm=0 t c m
    for _ in $(seq "$runs"); do
        /usr/bin/time -o "$out/time.txt" -f "%e %U %S %M" "$@" >/dev/null 2>"$out/stderr.txt" ||
            { cat "$out/stderr.txt" >&2; exit 1; }
        read -r t c m < <(awk '{ print $1, $2 + $3, $4 }' "$out/time.txt")
        if [ -z "$bt" ] || awk -v a="$t" -v b="$bt" 'BEGIN { exit !(a < b) }'; then bt=$t; fi
        if [ -z "$bc" ] || awk -v a="$c" -v b="$bc" 'BEGIN { exit !(a < b) }'; then bc=$c; fi
        [ "$m" -gt "$bm" ] && bm=$m
    done
    echo "$bt $bc $bm"
}

opts=(--qth --db "$out/Big.HDB" --back-cut 1 --memo-to remarks2 --contest-to remarks2 --qsl-issue)
read -r t_cat c_cat m_cat < <(best sh -c "cat '$zlo' >/dev/null")
read -r t_dp c_dp m_dp < <(best "$prog" --ini "$out/TRELVO5.INI" import digipan "$out/digipan-$n.LOG" -o "$out/gene/dp.csv")
read -r t_zl c_zl m_zl < <(best "$prog" --ini "$out/TRELVO5.INI" import zlog "$zlo" -o "$out/gene/zl.csv" "${opts[@]}")
read -r t_sm c_sm m_sm < <(best "$prog" --ini "$out/TRELVO5.INI" import zlog "$small" -o "$out/gene/sm.csv" "${opts[@]}")
read -r t_qr c_qr m_qr < <(best "$prog" --ini "$out/TRELVO5.INI" import zlog "$zlo" -o "$out/gene/qr.csv" "${opts[@]}" --qra-from "$out/Big.HDB")
rm -f "$out/time.txt" "$out/stderr.txt" "$out"/gene/*.csv

load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo "?")
awk -v n="$n" -v bytes="$bytes" -v dbytes="$dbytes" -v runs="$runs" -v loadavg="$load" -v cores="$(nproc)" \
    -v tcat="$t_cat" -v ccat="$c_cat" -v mcat="$m_cat" -v tdp="$t_dp" -v cdp="$c_dp" -v mdp="$m_dp" \
    -v tzl="$t_zl" -v czl="$c_zl" -v mzl="$m_zl" -v tsm="$t_sm" -v csm="$c_sm" -v msm="$m_sm" \
    -v tqr="$t_qr" -v cqr="$c_qr" -v mqr="$m_qr" '
function row(name, t, c, m, size) {
    printf "%-38s %7.2f %7.2f %12s %8.1f %8.1f\n", name, t, c, (t > 0 ? sprintf("%.0f", n / t) : "-"),
        (t > 0 ? size / 1e6 / t : 0), m / 1024
}
BEGIN {
    printf "zLog log: %d contacts, %.1f MB (DigiPan log of the same: %.1f MB); best of %d runs each; load average %s on %d cores\n",
        n, bytes / 1e6, dbytes / 1e6, runs, loadavg, cores
    printf "%-38s %7s %7s %12s %8s %8s\n", "", "wall s", "cpu s", "contacts/s", "MB/s", "peak MB"
    row("cat > /dev/null", tcat, ccat, mcat, bytes)
    row("trelvo5 import digipan", tdp, cdp, mdp, dbytes)
    row("trelvo5 import zlog --qth", tzl, czl, mzl, bytes)
    row("trelvo5 import zlog --qth --qra-from", tqr, cqr, mqr, bytes)
    printf "%-38s %7.2f %7.2f %12s %8s %8.1f\n", "  zlog --qth on a tenth of it", tsm, csm, "-", "-", msm / 1024
    printf "zlog: %.0f contacts/s wall, %.0f per CPU second (target 1000000); with the name lookup %.0f wall, %.0f per CPU second (target 200000); peak memory %.1f MB, %.1f MB on a tenth of the log\n",
        (tzl > 0 ? n / tzl : 0), (czl > 0 ? n / czl : 0), (tqr > 0 ? n / tqr : 0), (cqr > 0 ? n / cqr : 0),
        mzl / 1024, msm / 1024
}'
