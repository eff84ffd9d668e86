#!/usr/bin/env bash
# held_database.sh TRELVO5_EXE HOLD_OPEN_EXE EXAMPLES_DIR
# Under Wine: trelvo5.exe refuses a database another program holds open for writing with a
# sharing mode that denies writing (as Turbo HAMLOG does), reads it while another program only
# reads it, and reads it again once it is let go.
set -euo pipefail
exe=$1 hold=$2 examples=$3
wine=${TRELVO5_WINE:-wine}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$wine" "$exe" db create Hamlog.HDB --from "$examples/hamlog/Hamlog.csv" --master Hamlog.mst \
    --from-codes "$examples/hamlog/codes.txt" >/dev/null || fail "db create"

set +e
"$wine" "$hold" Hamlog.HDB "$exe" db info Hamlog.HDB >out.txt 2>err.txt
held=$?
set -e
[ "$held" -eq 1 ] || fail "db info on a held database exited with $held, not 1: $(cat out.txt err.txt)"
grep -q 'Turbo HAMLOGが使用中ではありませんか' err.txt || fail "no in-use message: $(cat err.txt)"
[ ! -s out.txt ] || fail "db info printed a result for a held database: $(cat out.txt)"

"$wine" "$hold" --reader Hamlog.HDB "$exe" db dump Hamlog.HDB >shared.txt 2>err.txt ||
    fail "db dump beside another reader: $(cat err.txt)"
"$wine" "$exe" db dump Hamlog.HDB >free.txt 2>err.txt || fail "db dump once let go: $(cat err.txt)"
cmp -s shared.txt free.txt || fail "db dump differs beside another reader"
[ "$(grep -c . free.txt)" -ge 20 ] || fail "db dump printed too little: $(cat free.txt)"
echo "held database refused; shared and free reads agree"
