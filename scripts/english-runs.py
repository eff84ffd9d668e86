#!/usr/bin/env python3
"""Lists runs of ASCII words in what trelvo5 prints in Japanese, for a review by eye.

usage: scripts/english-runs.py [FILE...]   (default: every expected-ja output of the golden cases)

Each run is printed with how often it occurs; names (Turbo HAMLOG, CR LF, contest and place
names from the examples), tags, option and command names are expected, prose is not.
"""
import collections
import glob
import os
import re
import sys

RUN = re.compile(r"(?<![-\w./{<])[A-Za-z]{2,}[,;:]? +[A-Za-z]{2,}(?: +[A-Za-z]+)*")

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
files = sys.argv[1:] or sorted(glob.glob(os.path.join(root, "tests/golden/cases/*/*/expected-ja/std*")))
runs = collections.Counter()
where = {}
for path in files:
    with open(path, "rb") as f:
        text = f.read().decode("utf-8", "replace")
    for number, line in enumerate(text.splitlines(), 1):
        for m in RUN.finditer(line):
            runs[m.group(0)] += 1
            where.setdefault(m.group(0), f"{os.path.relpath(path, root)}:{number}")
for run, count in runs.most_common():
    print(f"{count:5}  {run:40}  {where[run]}")
