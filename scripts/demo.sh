#!/usr/bin/env bash
# Installs, builds, and converts the shipped examples.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
mkdir -p out
./build/trelvo5 --version
./build/trelvo5 --help
