#!/usr/bin/env bash
# default_names.sh TRELVO5_EXE EXAMPLES_DIR
# Under Wine: two zLog imports without -o in one minute put their lines under two names (the
# second "_2"), and a name taken before the run is passed over; none replaces another's file.
set -euo pipefail
exe=$1 examples=$2
wine=${TRELVO5_WINE:-wine}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
printf '[GeneData]\r\nGeneDataFol=GeneData/\r\n' >TRELVO5.INI
mkdir GeneData
cp "$examples/zlog/TRELVO-TEST.ZLO" a.ZLO

for run in 1 2; do
    "$wine" "$exe" --ini TRELVO5.INI import zlog a.ZLO >out.txt 2>err.txt || fail "run $run: $(cat out.txt err.txt)"
done
mapfile -t names < <(ls GeneData | sort)
[ "${#names[@]}" -eq 2 ] || fail "two runs left ${#names[@]} files: ${names[*]}"
if [ "${names[0]:0:21}" != "${names[1]:0:21}" ]; then
    echo "the minute changed between the runs; nothing to compare"
    exit 0
fi
[ "${names[1]}" = "${names[0]}_2" ] || fail "second name ${names[1]}, not ${names[0]}_2"
cmp -s "GeneData/${names[0]}" "GeneData/${names[1]}" || fail "the two outputs differ"
mkdir "GeneData/${names[0]}_3"
"$wine" "$exe" --ini TRELVO5.INI import zlog a.ZLO >out.txt 2>err.txt || fail "run 3: $(cat out.txt err.txt)"
if [ -f "GeneData/${names[0]}_4" ]; then
    grep -q "${names[0]}_4" out.txt || fail "the message does not name ${names[0]}_4: $(cat out.txt)"
elif [ "$(ls GeneData | wc -l)" -ne 4 ]; then
    fail "a third run replaced a file: $(ls GeneData)"
fi
[ -z "$(ls GeneData/${names[0]}_3)" ] || fail "the folder in the way was written into"
! ls GeneData | grep -q '\.writing$' || fail "a work file was left: $(ls GeneData)"
echo "default names: ${names[*]} and the next free one"
