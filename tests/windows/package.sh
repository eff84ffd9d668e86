#!/usr/bin/env bash
# package.sh DIST_DIR LINUX_TRELVO5 EXAMPLES_DIR
# The Windows zip that scripts/build-windows.sh packs: the files a user gets, a README.txt
# Notepad shows (CP932, CR LF, Japanese first) that names every file the zip holds, and, under
# Wine from a folder holding only the unzipped files, an ADIF conversion byte-identical to the
# Linux build's and TRELVO5.INI read from beside trelvo5.exe. (gui_window.sh starts the
# zip's trelvo5-gui.exe.)
set -euo pipefail
dist=$1 linux=$2 examples=$3
wine=${TRELVO5_WINE:-wine}
fail() { echo "FAIL: $*" >&2; exit 1; }
zip=$(ls -t "$dist"/trelvo5-*-win64.zip 2>/dev/null | head -n 1)
[ -n "$zip" ] || fail "no zip in $dist (run scripts/build-windows.sh)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/unzipped" "$work/run"
(cd "$work/unzipped" && cmake -E tar xf "$zip")
pkg=$(echo "$work"/unzipped/*)
[ -d "$pkg" ] || fail "the zip holds no folder"

have=$(cd "$pkg" && ls | tr '\n' ' ')
files="trelvo5-gui.exe trelvo5.exe TRELVO5.html ADIF2HL.txt HL2ADIF.txt README.txt"
for f in $files; do
    case " $have" in *" $f "*) ;; *) fail "$f is not in the zip (it holds: $have)" ;; esac
done
for f in $have; do
    case " $files LICENSE.txt " in *" $f "*) ;;
        *) fail "unexpected $f in the zip" ;; esac
done

readme=$pkg/README.txt
iconv -f CP932 -t UTF-8 "$readme" >"$work/readme.utf8" || fail "README.txt is not CP932"
lines=$(grep -c '' "$readme")
crlf=$(grep -c $'\r$' "$readme")
[ "$lines" -eq "$crlf" ] || fail "README.txt: $((lines - crlf)) of $lines lines do not end in CR LF"
ja=$(grep -n '日本語' "$work/readme.utf8" | head -n 1 | cut -d: -f1)
en=$(grep -n 'English' "$work/readme.utf8" | head -n 1 | cut -d: -f1)
[ -n "$ja" ] && [ -n "$en" ] && [ "$ja" -lt "$en" ] || fail "README.txt: Japanese does not come first"
for f in $files; do
    grep -q "  $f " "$work/readme.utf8" || fail "README.txt does not list $f"
done
grep -q 'trelvo5-gui.exe をダブルクリック' "$work/readme.utf8" || fail "README.txt does not say to double-click trelvo5-gui.exe"

cp "$examples/adif/sample.adi" "$work/run/"
cd "$work/run"
"$wine" "$pkg/trelvo5.exe" --ini absent.ini import adif sample.adi --map auto -o wine.csv >/dev/null ||
    fail "trelvo5.exe import adif failed"
"$linux" --ini absent.ini import adif sample.adi --map auto -o linux.csv >/dev/null
cmp wine.csv linux.csv || fail "the Windows and Linux conversions differ"

printf '[HAMLOG-FOL]\r\nHAMLOG-FN=C:\\Hamlog\\Hamlog.HDB\r\n' >"$pkg/TRELVO5.INI"
"$wine" "$pkg/trelvo5.exe" settings >settings.txt || fail "trelvo5.exe settings failed"
grep -q 'TRELVO5.INI' settings.txt || fail "settings do not name TRELVO5.INI: $(cat settings.txt)"
grep -q 'not found' settings.txt && fail "TRELVO5.INI beside trelvo5.exe was not read: $(cat settings.txt)"
grep -q 'C:\\Hamlog\\Hamlog.HDB' settings.txt || fail "the database path was not read: $(cat settings.txt)"
echo "package $(basename "$zip") checked"
