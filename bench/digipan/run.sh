#!/usr/bin/env bash
# Times `trelvo5 import digipan` on a generated DigiPan log of N contacts (default 1,000,000,
# about 110 MB) next to `cp` and a one-pass awk split of the same file, and prints contacts
# per second, MB/s of log input (both passes together) and peak memory. Each program runs
# RUNS times (default 3) and the fastest run counts, since other work on the machine only
# ever slows a run down. A second trelvo5 run on a tenth of the log shows that memory does
# not grow with the log.
#
# usage: bench/digipan/run.sh [N] [TRELVO5]     (TRELVO5 default: build/trelvo5)
# Targets: at least 100 MB/s, at least twice the awk split, memory flat.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
n="${1:-1000000}"
prog="${2:-$root/build/trelvo5}"
runs="${RUNS:-3}"
out="$root/bench/out/digipan"
mkdir -p "$out/gene"
[ -x "$prog" ] || { echo "no trelvo5 at $prog (build it first, e.g. bash scripts/build.sh build)" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "needs GNU time (/usr/bin/time)" >&2; exit 1; }

log="$out/Digipan-$n.LOG"
small="$out/Digipan-$((n / 10)).LOG"
[ -s "$log" ] || python3 "$root/bench/digipan/gen_digipan_log.py" "$n" "$log"
[ -s "$small" ] || python3 "$root/bench/digipan/gen_digipan_log.py" "$((n / 10))" "$small"
printf '[GeneData]\r\nGeneDataFol=%s/\r\n' "$out/gene" >"$out/TRELVO5.INI"
bytes=$(stat -c %s "$log")

# Best wall time (s) and its peak RSS (KB) over $runs runs of the command.
best() {
    local bt="" bm="" t m
    for _ in $(seq "$runs"); do
        /usr/bin/time -o "$out/time.txt" -f "%e %M" "$@" >/dev/null 2>"$out/stderr.txt" ||
            { cat "$out/stderr.txt" >&2; exit 1; }
        read -r t m <"$out/time.txt"
        if [ -z "$bt" ] || awk -v a="$t" -v b="$bt" 'BEGIN { exit !(a < b) }'; then bt=$t bm=$m; fi
    done
    echo "$bt $bm"
}

read -r t_cp m_cp < <(best cp "$log" "$out/copy.LOG")
read -r t_awk m_awk < <(best sh -c "awk -F';' -v OFS=',' '{\$1=\$1; print}' '$log' >'$out/awk.out'")
read -r t_tr m_tr < <(best "$prog" --ini "$out/TRELVO5.INI" import digipan "$log" --jst --qsl-issue --qsl-sent)
read -r t_sm m_sm < <(best "$prog" --ini "$out/TRELVO5.INI" import digipan "$small" --jst --qsl-issue --qsl-sent)
rm -f "$out/copy.LOG" "$out/awk.out" "$out/time.txt" "$out/stderr.txt"

awk_name=$(readlink -f "$(command -v awk)")
awk -v n="$n" -v bytes="$bytes" -v tcp="$t_cp" -v mcp="$m_cp" -v tawk="$t_awk" -v mawk="$m_awk" \
    -v ttr="$t_tr" -v mtr="$m_tr" -v tsm="$t_sm" -v msm="$m_sm" -v awkname="$awk_name" -v runs="$runs" '
function rate(t) { return t > 0 ? bytes / 1e6 / t : 0 }
BEGIN {
    printf "DigiPan log: %d contacts, %.1f MB (best of %d runs each)\n", n, bytes / 1e6, runs
    printf "%-28s %8s %12s %10s %10s\n", "", "seconds", "contacts/s", "MB/s", "peak MB"
    printf "%-28s %8.2f %12s %10.1f %10.1f\n", "cp", tcp, "-", rate(tcp), mcp / 1024
    printf "%-28s %8.2f %12s %10.1f %10.1f\n", "awk split (" awkname ")", tawk, "-", rate(tawk), mawk / 1024
    printf "%-28s %8.2f %12.0f %10.1f %10.1f\n", "trelvo5 import digipan", ttr, (ttr > 0 ? n / ttr : 0), rate(ttr), mtr / 1024
    printf "%-28s %8.2f %12.0f %10s %10.1f\n", "  same, a tenth of the log", tsm, (tsm > 0 ? n / 10 / tsm : 0), "-", msm / 1024
    printf "trelvo5 vs awk split: %.1fx faster (target 2x); %.0f MB/s (target 100); memory %.1f MB for the whole log, %.1f MB for a tenth\n",
        (ttr > 0 ? tawk / ttr : 0), rate(ttr), mtr / 1024, msm / 1024
}'
