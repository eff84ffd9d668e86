#!/usr/bin/env bash
# console.sh TRELVO5_EXE CONSOLE_CP_EXE EXAMPLES_DIR
# Under Wine on a terminal (a pseudo-terminal from script(1), so the program's standard
# streams are a console): Japanese on standard output and standard error arrives intact
# although the console's code page is 437, as it does in cmd.exe and PowerShell; with code
# page 932 (a Japanese cmd.exe) the program's own messages and its help read in Japanese.
set -euo pipefail
exe=$1 cp=$2 examples=$3
wine=${TRELVO5_WINE:-wine}
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples/adif/sample.adi" "$work/"
cd "$work"
"$wine" "$exe" db create hamlog.hdb --from "$examples/hamlog/Hamlog.csv" >/dev/null || fail "db create"

# What the terminal shows, without the console's cursor and erase sequences (which also stand
# in for blanks, so blanks are dropped as well).
on_console() {
    local line
    printf -v line '%q ' "$wine" "$cp" "${CODE_PAGE:-437}" "$exe" --ini absent.ini "$@"
    timeout 120 script -qec "$line" /dev/null </dev/null | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' | tr -d ' \r'
}

out=$(on_console import adif sample.adi --map auto -o out.csv)
case "$out" in *6件の変換が正常終了しました*) ;; *) fail "standard output on the console: $out" ;; esac
dump=$(on_console db dump hamlog.hdb)
case "$dump" in *山田太郎*神奈川県横浜市*) ;; *) fail "db dump on the console: $dump" ;; esac
err=$(on_console db info hamlog.hdb)
case "$err" in *MSTﾌｧｲﾙが見つかりません*) ;; *) fail "standard error on the console: $err" ;; esac

# Code page 932 with the Japanese language: the labels, the warning and the help (asked for
# the Windows way) are Japanese and whole.
ja=$(CODE_PAGE=932 on_console --lang ja db info hamlog.hdb)
case "$ja" in *レコード数*trelvo5:注意:MSTﾌｧｲﾙが見つかりません*) ;; *) fail "Japanese on a code page 932 console: $ja" ;; esac
help=$(CODE_PAGE=932 on_console --lang ja /?)
case "$help" in *使い方:trelvo5*終了コード:*) ;; *) fail "trelvo5 /? on a code page 932 console: $help" ;; esac

# Started with no arguments in a console of its own (a double click in Explorer): it says in
# Japanese what it is and which program is the window, and waits for a key before it ends.
start=$(date +%s)
printf -v line '%q ' "$wine" "$exe"
alone=$( (sleep 4; printf x) | timeout 120 script -qec "$line" /dev/null | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' | tr -d ' \r\n')
waited=$(($(date +%s) - start))
case "$alone" in *trelvo5-gui.exeをダブルクリック*何かキーを押すと閉じます*) ;; *) fail "started alone: $alone" ;; esac
[ "$waited" -ge 4 ] || fail "started alone, it ended after ${waited}s without waiting for a key"
echo "Japanese shown intact on a code page 437 console"
