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

# Best wall time (s), best CPU time (user + system, s) and the largest peak RSS (KB) over
# $runs runs of the command.
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

read -r t_cp c_cp m_cp < <(best cp "$log" "$out/copy.LOG")
read -r t_awk c_awk m_awk < <(best sh -c "awk -F';' -v OFS=',' '{\$1=\$1; print}' '$log' >'$out/awk.out'")
read -r t_tr c_tr m_tr < <(best "$prog" --ini "$out/TRELVO5.INI" import digipan "$log" --jst --qsl-issue --qsl-sent)
read -r t_sm c_sm m_sm < <(best "$prog" --ini "$out/TRELVO5.INI" import digipan "$small" --jst --qsl-issue --qsl-sent)
rm -f "$out/copy.LOG" "$out/awk.out" "$out/time.txt" "$out/stderr.txt"

awk_name=$(readlink -f "$(command -v awk)")
load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo "?")
awk -v n="$n" -v bytes="$bytes" -v runs="$runs" -v awkname="$awk_name" -v loadavg="$load" -v cores="$(nproc)" \
    -v tcp="$t_cp" -v ccp="$c_cp" -v mcp="$m_cp" -v tawk="$t_awk" -v cawk="$c_awk" -v mawk="$m_awk" \
    -v ttr="$t_tr" -v ctr="$c_tr" -v mtr="$m_tr" -v tsm="$t_sm" -v csm="$c_sm" -v msm="$m_sm" '
function mbs(t) { return t > 0 ? bytes / 1e6 / t : 0 }
function row(name, t, c, m, contacts) {
    printf "%-30s %7.2f %7.2f %12s %8.1f %8.1f %8.1f\n", name, t, c,
        (contacts > 0 && t > 0 ? sprintf("%.0f", contacts / t) : "-"), mbs(t), mbs(c), m / 1024
}
BEGIN {
    printf "DigiPan log: %d contacts, %.1f MB; best of %d runs each; load average %s on %d cores\n",
        n, bytes / 1e6, runs, loadavg, cores
    printf "%-30s %7s %7s %12s %8s %8s %8s\n", "", "wall s", "cpu s", "contacts/s", "MB/s", "MB/cpu-s", "peak MB"
    row("cp", tcp, ccp, mcp, 0)
    row("awk split (" awkname ")", tawk, cawk, mawk, 0)
    row("trelvo5 import digipan", ttr, ctr, mtr, n)
    printf "%-30s %7.2f %7.2f %12s %8s %8s %8.1f\n", "  the same on a tenth of it", tsm, csm, "-", "-", "-", msm / 1024
    printf "trelvo5: %.0f MB/s wall, %.0f MB per CPU second (target 100); %.1fx the awk split by wall time, %.1fx by CPU time (target 2x); peak memory %.1f MB, %.1f MB on a tenth of the log\n",
        mbs(ttr), mbs(ctr), (ttr > 0 ? tawk / ttr : 0), (ctr > 0 ? cawk / ctr : 0), mtr / 1024, msm / 1024
}'
