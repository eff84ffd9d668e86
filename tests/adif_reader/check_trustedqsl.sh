#!/usr/bin/env bash
# The standard ADIF export of the example database and of a database holding the digital
# modes, read by TrustedQSL's library (tqsl_read, built when the Debian package trustedqsl is
# installed): every record read, every mode one that LoTW knows. Exits 77 (skipped) without it.
# usage: check_trustedqsl.sh TRELVO5 TQSL_READ|- WORK_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
prog="$1"
reader="$2"
work="$3"
if [ "$reader" = - ]; then
    echo "SKIPPED: TrustedQSL's library (Debian package trustedqsl) was not found when this was built"; exit 77
fi
mkdir -p "$work/home"
db="$work/digital"
rm -rf "$db" && mkdir -p "$db"
cp "$here/digital.csv" "$db/"
(cd "$db" && "$prog" db create Hamlog.HDB --from digital.csv --master Hamlog.mst --date 2025-01-01 >/dev/null)
status=0
for hdb in "$here/../../examples/hamlog/Hamlog.HDB" "$db/Hamlog.HDB"; do
    out="$work/$(basename "$(dirname "$hdb")").adi"
    "$prog" export adif "$hdb" -o "$out" --standard >/dev/null 2>"$work/export.err"
    # The library keeps its files in the home folder: a scratch one. What it leaves allocated
    # at exit (its OpenSSL set-up) is its own, not looked for in a sanitizer build.
    if HOME="$work/home" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$reader" "$out"; then
        echo "ok: $hdb"
    else
        echo "FAIL: $hdb: TrustedQSL's library could not take every record"; status=1
    fi
done
exit $status
