#!/usr/bin/env bash
# Installs what building and testing TRELVO5 needs on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    build-essential cmake pkg-config ccache \
    libgtest-dev libgmock-dev libbenchmark-dev \
    libcli11-dev \
    qt6-base-dev qt6-base-dev-tools libgl-dev \
    qt6-translations-l10n fonts-noto-cjk xvfb xauth \
    time gawk trustedqsl clang-format linux-perf valgrind \
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 >/dev/null
# Node.js and npm read the standard ADIF export back in a test; a Node.js that brings its own
# npm (as NodeSource's does, which conflicts with Debian's npm package) is kept.
if ! command -v npm >/dev/null; then
    $SUDO apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi
