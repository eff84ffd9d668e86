#!/bin/bash
# Rebuilds the small Turbo HAMLOG databases that golden cases read, with our own writer.
# usage: bash tests/golden/make_db_inputs.sh build/trelvo5
set -euo pipefail
trelvo5=$(realpath "$1")
cases=$(dirname "$0")/cases
empty=$(mktemp)
trap 'rm -f "$empty"' EXIT
# Narrow widths, so that the cuts they cause show in the output.
for c in adif/db-widths adif/ini-db-widths; do
  "$trelvo5" db create "$cases/$c/input/Hamlog.HDB" --from "$empty" --date 2020-01-01 --force \
    --widths 5,3,4,2,6,6,3,2,2,2,5,3,4,6,10,54 >/dev/null
done
