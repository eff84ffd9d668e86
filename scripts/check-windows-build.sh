#!/usr/bin/env bash
# Cross-compiles the engine and the trelvo5 command for Windows with MinGW-w64, to keep the
# code portable; the same build scripts/build-windows.sh packs.
set -euo pipefail
exec bash "$(dirname "$0")/build-windows.sh" "$@"
