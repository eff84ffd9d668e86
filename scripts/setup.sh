#!/usr/bin/env bash
# Installs what building and testing TRELVO5 needs on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    build-essential cmake pkg-config \
    libgtest-dev libgmock-dev libbenchmark-dev \
    libcli11-dev \
    qt6-base-dev qt6-base-dev-tools libgl-dev \
    qt6-translations-l10n fonts-noto-cjk xvfb xauth \
    time gawk >/dev/null
