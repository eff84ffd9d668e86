#!/usr/bin/env bash
# Checks every tracked C++ file against .clang-format and fails when any differs; lists the
# files that do. Reformat one with `clang-format -i FILE`. Usage: scripts/check-format.sh
set -euo pipefail
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-clang-format}
command -v "$format" >/dev/null || { echo "check-format: $format is not installed (scripts/setup.sh installs it)" >&2; exit 2; }
differ=()
while IFS= read -r -d '' f; do
    [ -f "$f" ] || continue
    if ! "$format" --dry-run -Werror --style=file "$f" >/dev/null 2>&1; then differ+=("$f"); fi
done < <(git ls-files -z -- '*.cpp' '*.h' '*.hpp' '*.cc')
if [ ${#differ[@]} -gt 0 ]; then
    printf '%s\n' "${differ[@]}"
    echo "check-format: ${#differ[@]} file(s) differ from .clang-format" >&2
    exit 1
fi
echo "check-format: every C++ file follows .clang-format"
