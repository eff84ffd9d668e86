#!/usr/bin/env python3
"""Builds the inputs of the golden cases about damaged databases (tests/golden/cases/db/damaged-*)
from the good database and master file of the "db/info" case, which our own writer made.
Run it from the repository's top folder after changing that case; it rewrites the inputs."""
import os
import random
import shutil
import struct

CASES = os.path.join("tests", "golden", "cases", "db")
GOOD_HDB = open(os.path.join(CASES, "info", "input", "Hamlog.HDB"), "rb").read()
GOOD_MST = open(os.path.join(CASES, "info", "input", "Hamlog.mst"), "rb").read()


def patched(data, at, new):
    return data[:at] + new + data[at + len(new):]


def put(case, name, data):
    path = os.path.join(CASES, case, "input", name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


rng = random.Random(12)
# Random bytes named like a database, and beside a good database a master file of random bytes.
put("damaged-random", "X.HDB", bytes(rng.randrange(256) for _ in range(3000)))
put("damaged-mst", "Hamlog.HDB", GOOD_HDB)
put("damaged-mst", "Hamlog.mst", bytes([3]) + bytes(rng.randrange(256) for _ in range(2000)))
# The width of QTH one more than the record length allows: the fields would shift.
put("damaged-widths", "Hamlog.HDB", patched(GOOD_HDB, 48 + 32 * 13, bytes([29])))
# A last-update date of month 62.
put("damaged-date", "Hamlog.HDB", patched(GOOD_HDB, 1, bytes([105, 62, 25])))
# The header counts 30 records; the file was cut inside the fourth.
header_length, record_length = struct.unpack_from("<HH", GOOD_HDB, 8)
put("damaged-count", "Hamlog.HDB",
    patched(GOOD_HDB, 4, struct.pack("<I", 30))[:header_length + 3 * record_length + 50])
# A folder named like a database holding the database, and a sibling folder that differs only
# in letter case holding another master file.
shutil.rmtree(os.path.join(CASES, "mst-beside-only", "input"), ignore_errors=True)
put("mst-beside-only", os.path.join("old.hdb", "Log", "Hamlog.HDB"), GOOD_HDB)
put("mst-beside-only", os.path.join("old.hdb", "LOG", "Hamlog.mst"), GOOD_MST)
# A full-width folder name.
shutil.rmtree(os.path.join(CASES, "mst-full-width-folder", "input"), ignore_errors=True)
put("mst-full-width-folder", os.path.join("ハムログｌｏｇ", "Hamlog.HDB"), GOOD_HDB)
put("mst-full-width-folder", os.path.join("ハムログｌｏｇ", "hamlog.MST"), GOOD_MST)
