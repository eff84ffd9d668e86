#!/usr/bin/env bash
# gui_window.sh GUI_DRIVE_EXE LINUX_TRELVO5 GOLDEN_CASES_DIR EXAMPLES_DIR DIST_DIR [SHOTS_DIR]
# The Win32 window under Wine and Xvfb. First the zip's trelvo5-gui.exe, unzipped alone, is
# started as Explorer starts it: its window is titled with the program's name, a second start
# ends at once, WM_CLOSE ends it. Then one folder per run is made from a golden case (its
# input, its setup step run by the Linux trelvo5, its expected files) and gui_drive.exe drives
# the window through every conversion kind, in one Wine start, comparing byte for byte. With
# SHOTS_DIR the pictures of the main and the mapping window are left there as PNG.
set -euo pipefail
drive=$(realpath "$1") linux=$(realpath "$2") cases=$(realpath "$3") examples=$(realpath "$4") dist=$(realpath "$5")
shots=${6:+$(realpath -m "$6")}
wine=${TRELVO5_WINE:-wine}
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed: skipped"; exit 77; }
work=$(mktemp -d)
[ -n "${TRELVO5_KEEP_WORK:-}" ] && echo "work folder: $work" || trap 'rm -rf "$work"' EXIT

prepare() {  # prepare RUN CASE
    local run=$work/root/$1 case=$cases/$2
    mkdir -p "$run/expected"
    cp -r "$case/input/." "$run/"
    cp -r "$case/expected/." "$run/expected/"
    if [ -f "$case/setup" ]; then
        (cd "$run" && while read -r line; do
            [ -n "$line" ] && eval "\"$linux\" $line" >/dev/null
        done <"$case/setup")
    fi
    return 0
}
mkdir -p "$work/root/layout"
prepare digipan digipan/example-all-options
prepare adif adif/example-auto
# The ADIF import cuts to the database's widths: an empty database with Turbo HAMLOG 5's.
(cd "$work/root/adif" && : >empty.csv && "$linux" db create Hamlog.HDB --from empty.csv --master Hamlog.mst >/dev/null)
prepare zlog zlog/remarks-example
prepare jap1 jap1/example
prepare drop adif/example-auto
prepare export-adif export/example-adif
prepare export-csv export/example-csv
prepare export-csv5 export/example-csv5
prepare export-backup export/example-backup
# Esc: a DigiPan log long enough that a run is still going when the key is seen.
mkdir -p "$work/root/esc"
for _ in $(seq 400); do cat "$examples/digipan/Digipan.LOG"; done >"$work/root/esc/Digipan.LOG"

zip=$(ls -t "$dist"/trelvo5-*-win64.zip 2>/dev/null | head -n 1)
[ -n "$zip" ] || { echo "FAIL: no zip in $dist (run scripts/build-windows.sh)" >&2; exit 1; }
mkdir "$work/unzipped"
(cd "$work/unzipped" && cmake -E tar xf "$zip")
gui=$(echo "$work"/unzipped/*/trelvo5-gui.exe)

winpath() { local p=$1; echo "Z:${p//\//\\}"; }
args=("$(winpath "$work/root")")
if [ -n "$shots" ]; then
    mkdir -p "$shots"
    args+=("$(winpath "$work/shots")")
    mkdir -p "$work/shots"
fi
# Both under one X server: the Wine session keeps the display it was started with.
cat >"$work/both.sh" <<INNER
"$wine" "$drive" --start "$(winpath "$gui")" && "$wine" "$drive" $(printf '"%s" ' "${args[@]}")
INNER
status=0
timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/both.sh" >"$work/out.txt" 2>"$work/err.txt" ||
    status=$?
cat "$work/out.txt"
if [ "$status" -ne 0 ]; then
    echo "gui_drive.exe ended with $status" >&2
    tail -n 20 "$work/err.txt" >&2
    exit 1
fi
grep -q '^FAIL' "$work/out.txt" && exit 1
if [ -n "$shots" ]; then
    for bmp in "$work"/shots/*.bmp; do
        [ -f "$bmp" ] && python3 "$(dirname "$0")/bmp_to_png.py" "$bmp" "$shots/$(basename "${bmp%.bmp}").png"
    done
fi
echo "the Win32 window converted every kind as the golden files say"
