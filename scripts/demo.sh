#!/usr/bin/env bash
# Installs, builds, and converts the shipped examples.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
mkdir -p out
./build/trelvo5 --version
./build/trelvo5 --help
echo "== JAP1"
./build/trelvo5 import jap1 examples/jap1/JAP1LOG.TXT --remconv examples/jap1/remconv.txt -o out/JAP2HL.CSV
