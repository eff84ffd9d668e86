#!/usr/bin/env bash
# Reads the standard ADIF export of the example database with an ADIF reader we did not
# write, the npm package adif-parser-ts, as ASCII ADI and in UTF-8, and compares every record
# with expected.tsv. Exits 77 (skipped) when node or the package cannot be had.
# usage: check_standard_adif.sh TRELVO5 WORK_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
prog="$1"
work="$2"
examples="$here/../../examples/hamlog"
mkdir -p "$work"
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "SKIPPED: node and npm are not installed"; exit 77
fi
modules="$work/node/node_modules"
if [ ! -d "$modules/adif-parser-ts" ]; then
    mkdir -p "$work/node"
    if ! timeout 180 npm install --prefix "$work/node" --no-audit --no-fund --silent \
        --fetch-retries=1 --fetch-timeout=30000 adif-parser-ts >"$work/npm.log" 2>&1; then
        echo "SKIPPED: npm could not install adif-parser-ts from its registry:"; tail -n 5 "$work/npm.log"; exit 77
    fi
fi
status=0
for enc in cp932:shift_jis utf-8:utf-8; do
    ours="${enc%%:*}"; theirs="${enc##*:}"
    out="$work/standard-$ours.adi"
    "$prog" export adif "$examples/Hamlog.HDB" -o "$out" --standard --encoding "$ours" >/dev/null
    NODE_PATH="$modules" node "$here/read_adif.js" "$theirs" "$out" > "$work/read-$ours.tsv"
    # The Shift-JIS standard export is ADIF's ADI, which is ASCII: names that are not are left out.
    want="$here/expected.tsv"
    if [ "$ours" = cp932 ]; then
        want="$work/expected-ascii.tsv"
        LC_ALL=C awk -F '\t' -v OFS='\t' '{ if ($7 ~ /[\200-\377]/) $7 = "-"; print }' "$here/expected.tsv" > "$want"
    fi
    if diff -u "$want" "$work/read-$ours.tsv"; then
        echo "ok: $ours: $(wc -l < "$work/read-$ours.tsv") records read back by adif-parser-ts"
    else
        echo "FAIL: $ours: adif-parser-ts read other values"; status=1
    fi
done
exit $status
