#!/usr/bin/env bash
# The standard ADIF export (ASCII ADI) of the example database and of a database holding the
# digital modes (FT8, FT4, JS8, Q65, PSK31, C4FM), checked record by record by the strict ADIF
# validator of the npm package tcadif. Exits 77 (skipped) when node or the package cannot be had.
# usage: check_tcadif.sh TRELVO5 WORK_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
prog="$1"
work="$2"
mkdir -p "$work"
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "SKIPPED: node and npm are not installed"; exit 77
fi
modules="$work/node/node_modules"
if [ ! -d "$modules/tcadif" ]; then
    mkdir -p "$work/node"
    if ! timeout 180 npm install --prefix "$work/node" --no-audit --no-fund --silent \
        --fetch-retries=1 --fetch-timeout=30000 tcadif >"$work/npm.log" 2>&1; then
        echo "SKIPPED: npm could not install tcadif from its registry:"; tail -n 5 "$work/npm.log"; exit 77
    fi
fi
db="$work/digital"
rm -rf "$db" && mkdir -p "$db"
cp "$here/digital.csv" "$db/"
(cd "$db" && "$prog" db create Hamlog.HDB --from digital.csv --master Hamlog.mst --date 2025-01-01 >/dev/null)
status=0
for hdb in "$here/../../examples/hamlog/Hamlog.HDB" "$db/Hamlog.HDB"; do
    out="$work/$(basename "$(dirname "$hdb")").adi"
    "$prog" export adif "$hdb" -o "$out" --standard >/dev/null 2>"$work/export.err"
    if NODE_PATH="$modules" node "$here/validate_tcadif.js" "$out"; then
        echo "ok: $hdb"
    else
        echo "FAIL: $hdb: tcadif rejected records of the standard export"; status=1
    fi
done
exit $status
