#!/usr/bin/env bash
# check_imports.sh EXE...
# Fails when a Windows program imports a DLL that a bare Windows PC lacks (the MinGW runtimes
# libgcc_s_seh-1, libstdc++-6, libwinpthread-1 above all): only the system's own DLLs may appear.
set -euo pipefail
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
allowed=" kernel32.dll msvcrt.dll advapi32.dll shell32.dll user32.dll gdi32.dll ole32.dll oleaut32.dll
 shlwapi.dll comdlg32.dll comctl32.dll ws2_32.dll version.dll bcrypt.dll ucrtbase.dll "
status=0
for exe in "$@"; do
    dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
    if [ -z "$dlls" ]; then
        echo "$exe: no import table found" >&2
        status=1
    fi
    for dll in $dlls; do
        case "$dll" in api-ms-win-*) continue ;; esac
        case "$allowed" in
            *" $dll "*) ;;
            *) echo "$exe: imports $dll, which is not part of Windows" >&2; status=1 ;;
        esac
    done
    echo "$exe:" $dlls
done
exit $status
