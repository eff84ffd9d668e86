#!/usr/bin/env bash
# All conversion benchmarks in one run, each next to its yardstick measured in the same run:
#
#   import adif --map auto   vs  iconv -f CP932 -t UTF-8 of the same file   (goal: <= 1.5x)
#   import digipan           vs  iconv of the same log                       (goal: <= 1.5x)
#   export adif/csv/csv5/backup of an HDB  vs  db dump of it                 (goal: <= 1.2x)
#   import adif              vs  adif-parser-ts under node, whole file       (goal: >= 10x faster)
#   import zlog --qra-from   look-ups (one per contact) per CPU second       (goal: >= 200,000)
#
# Every command runs RUNS times (default 5); the figure is the median CPU time (user + system,
# seconds: on a shared machine CPU time shows what the program itself needed) and the largest
# peak memory. Prints the table and writes it to bench/RESULTS.md with the machine and date.
#
# usage: bash bench/run.sh [RECORDS]     (default 1,000,000; e.g. 100000 for a quick run)
#        BUILD=DIR RUNS=N NODE=0 bash bench/run.sh ...   (NODE=0 leaves out adif-parser-ts)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
n="${1:-1000000}"
runs="${RUNS:-5}"
build="${BUILD:-build-bench}"
out="$root/bench/out/all"
mkdir -p "$out/gene"
command -v /usr/bin/time >/dev/null || { echo "needs GNU time (/usr/bin/time)" >&2; exit 1; }

bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release -DTRELVO5_BUILD_TESTS=OFF -DTRELVO5_BUILD_GUI=OFF
prog="$root/$build/trelvo5"
printf '[GeneData]\r\nGeneDataFol=%s/\r\n' "$out/gene" >"$out/TRELVO5.INI"
ini=(--ini "$out/TRELVO5.INI")

# The inputs, made once per record count.
adi="$out/log-$n.adi"
dpl="$out/Digipan-$n.LOG"
hdb="$out/Big-$n.HDB"
zlo="$out/contest-$n.ZLO"
[ -s "$adi" ] || { python3 bench/adif/gen_adif.py "$n" "$adi.part" && mv "$adi.part" "$adi"; }
[ -s "$dpl" ] || python3 bench/digipan/gen_digipan_log.py "$n" "$dpl"
if [ ! -s "$hdb" ]; then
    LC_ALL=C gawk -v N="$n" -f bench/hamlog/make_csv.awk >"$out/big-$n.csv"
    "$prog" "${ini[@]}" db create "$hdb" --from "$out/big-$n.csv" --master "$out/Big-$n.mst" \
        --date 2025-01-01 --force >/dev/null
    rm -f "$out/big-$n.csv"
fi
if [ ! -s "$zlo" ] || [ ! -s "$out/Qra-$n.HDB" ]; then
    python3 bench/zlog/gen_zlo.py "$n" "$zlo" "$out/zlog-digipan-$n.LOG" "$out/qra-$n.csv" "$out/codes-$n.txt"
    "$prog" "${ini[@]}" db create "$out/Qra-$n.HDB" --from "$out/qra-$n.csv" --master "$out/Qra-$n.mst" \
        --from-codes "$out/codes-$n.txt" --date 2026-01-01 --force >/dev/null
    rm -f "$out/qra-$n.csv"
fi

# measure COMMAND...: runs it $runs times; prints "median-CPU-seconds peak-KB". A command that
# fails stops the benchmark with its messages.
measure() {
    local cpus=() peak=0 u s m
    for _ in $(seq "$runs"); do
        /usr/bin/time -o "$out/time.txt" -f "%U %S %M" "$@" >/dev/null 2>"$out/stderr.txt" ||
            { echo "failed: $*" >&2; cat "$out/stderr.txt" >&2; exit 1; }
        read -r u s m <"$out/time.txt"
        cpus+=("$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.3f", u + s }')")
        [ "$m" -gt "$peak" ] && peak=$m
    done
    printf '%s\n' "${cpus[@]}" | sort -g | awk -v p="$peak" '{ v[NR] = $1 } END {
        printf "%.3f %d\n", (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2), p }'
}

rows=()
# row WORK OURS_CPU OURS_KB YARDSTICK YARD_CPU RATIO GOAL VERDICT
row() { rows+=("$(printf '| %s | %s s | %.1f MB | %s | %s | %s | %s |' "$1" "$2" "$(awk -v k="$3" 'BEGIN { print k / 1024 }')" "$4" "$5" "$6" "$7")"); }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
verdict() { awk -v r="$1" -v g="$2" -v dir="$3" -v kb="$4" 'BEGIN {
    ok = (dir == "le" ? r <= g : r >= g); v = ok ? "ok" : "not yet"
    if (kb > 16 * 1024) v = v sprintf(", peak %.1f MB > 16", kb / 1024); print v }'; }
mb() { awk -v b="$(stat -L -c %s "$1")" 'BEGIN { printf "%.1f MB", b / 1e6 }'; }

echo "measuring ($n records, median of $runs runs each) ..."
read -r c_iconv_adi _ < <(measure iconv -f CP932 -t UTF-8 "$adi" -o /dev/null)
read -r c_adi k_adi < <(measure "$prog" "${ini[@]}" import adif "$adi" --map auto --qsl-sent --qsl-rcvd -o "$out/gene/adif.csv")
r=$(ratio "$c_adi" "$c_iconv_adi")
row "\`import adif --map auto\`, $(mb "$adi") CP932" "$c_adi" "$k_adi" "\`iconv -f CP932 -t UTF-8\`" "$c_iconv_adi s" "${r}×" "≤ 1.5× ($(verdict "$r" 1.5 le "$k_adi"))"

read -r c_iconv_dp _ < <(measure iconv -f CP932 -t UTF-8 "$dpl" -o /dev/null)
read -r c_dp k_dp < <(measure "$prog" "${ini[@]}" import digipan "$dpl" --jst --qsl-issue --qsl-sent -o "$out/gene/dp.csv")
r=$(ratio "$c_dp" "$c_iconv_dp")
row "\`import digipan\`, $(mb "$dpl")" "$c_dp" "$k_dp" "iconv" "$c_iconv_dp s" "${r}×" "≤ 1.5× ($(verdict "$r" 1.5 le "$k_dp"))"

read -r c_dump _ < <(measure "$prog" "${ini[@]}" db dump "$hdb")
for kind in adif csv csv5 backup; do
    read -r c_ex k_ex < <(measure "$prog" "${ini[@]}" export "$kind" "$hdb" -o "$out/gene/out.$kind")
    r=$(ratio "$c_ex" "$c_dump")
    row "\`export $kind\` of a $n-record HDB" "$c_ex" "$k_ex" "\`db dump\`" "$c_dump s" "${r}×" "≤ 1.2× ($(verdict "$r" 1.2 le "$k_ex"))"
done

node_dir="$root/bench/out/adif/node"
if [ "${NODE:-1}" != 0 ] && command -v node >/dev/null && command -v npm >/dev/null &&
    [ ! -d "$node_dir/node_modules/adif-parser-ts" ]; then
    mkdir -p "$node_dir"
    npm install --prefix "$node_dir" --no-audit --no-fund --silent adif-parser-ts >/dev/null 2>&1 || true
fi
if [ "${NODE:-1}" != 0 ] && [ -d "$node_dir/node_modules/adif-parser-ts" ]; then
    version=$(node -p "require('$node_dir/node_modules/adif-parser-ts/package.json').version" 2>/dev/null || echo "?")
    read -r c_npm k_npm < <(measure env NODE_PATH="$node_dir/node_modules" node --max-old-space-size=16384 \
        bench/adif/adif_parser_ts.js "$adi")
    r=$(ratio "$c_npm" "$c_adi")
    row "\`import adif\` vs adif-parser-ts $version (node, whole file)" "$c_adi" "$k_adi" \
        "adif-parser-ts" "$c_npm s, $(awk -v k="$k_npm" 'BEGIN { printf "%.0f MB", k / 1024 }')" "${r}× faster" \
        "≥ 10× ($(verdict "$r" 10 ge "$k_adi"))"
else
    rows+=("| \`import adif\` vs adif-parser-ts | — | — | not installed (node or the npm registry missing) | — | — | — |")
fi

opts=(--qth --db "$out/Qra-$n.HDB" --back-cut 1 --memo-to remarks2 --contest-to remarks2 --qsl-issue)
read -r c_zl _ < <(measure "$prog" "${ini[@]}" import zlog "$zlo" -o "$out/gene/zl.csv" "${opts[@]}")
read -r c_qr k_qr < <(measure "$prog" "${ini[@]}" import zlog "$zlo" -o "$out/gene/qr.csv" "${opts[@]}" --qra-from "$out/Qra-$n.HDB")
rate=$(awk -v n="$n" -v c="$c_qr" 'BEGIN { printf "%.0f", (c > 0 ? n / c : 0) }')
row "zLog QRA look-up (\`--qra-from\`), $n contacts" "$c_qr" "$k_qr" "the same without \`--qra-from\`" "$c_zl s" \
    "$(awk -v r="$rate" 'BEGIN { printf "%.0f k look-ups/s", r / 1000 }')" "≥ 200 k/s ($(verdict "$rate" 200000 ge "$k_qr"))"
rm -f "$out/time.txt" "$out/stderr.txt" "$out"/gene/*

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo 2>/dev/null | head -n 1)
{
    echo "# Benchmark results"
    echo
    echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(uname -srm), ${cpu:-unknown CPU}, $(nproc) cores, load average" \
        "$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo '?'); $n records; median CPU seconds (user + system)" \
        "of $runs runs, largest peak RSS. Made by \`bash bench/run.sh $n\`; the goals also ask for at most 16 MB."
    echo
    echo "| work | ours (CPU) | ours (peak RSS) | yardstick | yardstick (CPU) | ratio | goal |"
    echo "|---|---|---|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
} >"$root/bench/RESULTS.md"
cat "$root/bench/RESULTS.md"
