#!/usr/bin/env bash
# Installs, builds, and converts the shipped examples.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
mkdir -p out
./build/trelvo5 --version
./build/trelvo5 --help
echo "== DigiPan"
./build/trelvo5 import digipan examples/digipan/Digipan.LOG --jst --qsl-issue --qsl-sent -o out/digipan-TRELVO.CSV
echo "== ADIF"
./build/trelvo5 import adif examples/adif/sample.adi --map auto --qsl-sent --qsl-rcvd -o out/adif.csv
echo "== zLog"
./build/trelvo5 import zlog examples/zlog/TRELVO-TEST.ZLO --qth --db examples/hamlog/Hamlog.HDB -o out/zlog.csv
echo "== JAP1"
./build/trelvo5 import jap1 examples/jap1/JAP1LOG.TXT --remconv examples/jap1/remconv.txt -o out/JAP2HL.CSV
echo "== HAMLOG database"
./build/trelvo5 db create out/Hamlog.HDB --from examples/hamlog/Hamlog.csv --master out/Hamlog.mst --from-codes examples/hamlog/codes.txt --force
./build/trelvo5 db info out/Hamlog.HDB
./build/trelvo5 db dump out/Hamlog.HDB
echo "== HAMLOG database export"
./build/trelvo5 export adif examples/hamlog/Hamlog.HDB -o out/hamlog.adi
./build/trelvo5 export adif examples/hamlog/Hamlog.HDB -o out/hamlog-standard.adi --standard
./build/trelvo5 export csv examples/hamlog/Hamlog.HDB -o out/hamlog.csv
./build/trelvo5 export csv5 examples/hamlog/Hamlog.HDB -o out/hamlog-v5.csv --from-date 20240101 --to-date 20241231
./build/trelvo5 export backup examples/hamlog/Hamlog.HDB -o out/HL5BAK0001.TXT --mode CW
