#!/usr/bin/env python3
"""Writes the same N contest contacts three ways for the zLog benchmark:

  OUT.ZLO      a zLog file (256-byte records, JST), contest numbers of the JCC/JCG, prefecture
               and serial kinds, memos for some contacts
  OUT.LOG      a DigiPan log of the same contacts (CP932, ";"-separated, 20 values per line)
  OUT.csv      (optional) a HAMLOG import CSV of the same stations with names, from which
               `trelvo5 db create` makes the database of the name lookup
  OUT.codes    (with OUT.csv) the master codes CODE<TAB>NAME

usage: gen_zlo.py N OUT.ZLO OUT.LOG [OUT.csv OUT.codes]
"""
import datetime
import random
import struct
import sys

EPOCH = datetime.datetime(1899, 12, 30)
JA = ["JA", "JE", "JF", "JG", "JH", "JI", "JJ", "JK", "JL", "JM", "JN", "JO", "JR", "JS", "7K", "7N"]
DX = ["W", "K", "VK", "ZL", "DL", "HL", "BV", "UA"]
BANDS = [(0, "160m", 1910), (1, "80m", 3525), (2, "40m", 7025), (4, "20m", 14050), (6, "15m", 21050),
         (8, "10m", 28050), (9, "6m", 50150)]
CODES = ["%02d%02d" % (p, c) for p in range(1, 48) for c in range(1, 21)]
MEMOS = [b"", b"", b"", "移動".encode("cp932"), b"QRP 5W", b"\xd2\xd3"]


def text(buf, at, b):
    buf[at] = len(b)
    buf[at + 1:at + 1 + len(b)] = b


def main():
    n = int(sys.argv[1])
    rng = random.Random(7)
    stations = []
    for k in range(max(1, n // 3)):
        if k % 5 == 4:
            stations.append("%s%d%s" % (DX[k % len(DX)], k % 10, "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(3))))
        else:
            stations.append("%s%d%s" % (JA[k % len(JA)], k % 10, "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(3))))
    header = bytearray(256)
    header[84:86] = b"\xe4\xfd"
    text(header, 175, "ALL JA コンテスト".encode("cp932"))
    t = datetime.datetime(2024, 4, 27, 21, 0)
    with open(sys.argv[2], "wb") as zlo, open(sys.argv[3], "wb") as dp:
        zlo.write(header)
        zchunk, dchunk = [], []
        for i in range(1, n + 1):
            t += datetime.timedelta(seconds=rng.randint(5, 40))
            call = stations[rng.randrange(len(stations))]
            if i % 13 == 0:
                call += "/QRP"
            elif i % 17 == 0:
                call += "/%d" % (i % 10)
            band, bname, khz = BANDS[rng.randrange(len(BANDS))]
            mode = 0 if rng.random() < 0.8 else 1
            r = rng.random()
            rcv = (CODES[rng.randrange(len(CODES))] + "M") if r < 0.7 else ("%02dH" % rng.randint(1, 50)) if r < 0.9 else ("%04d" % i)
            memo = MEMOS[i % len(MEMOS)]
            rec = bytearray(256)
            d = t - EPOCH
            rec[0:8] = struct.pack("<d", d.days + d.seconds / 86400.0)
            text(rec, 8, call.encode()[:12])
            text(rec, 52, rcv.encode())
            rec[84:88] = struct.pack("<HH", 599 if mode == 0 else 59, 599 if mode == 0 else 59)
            rec[92] = mode
            rec[93] = band
            text(rec, 175, memo)
            zchunk.append(bytes(rec))
            utc = t - datetime.timedelta(hours=9)
            stamp = utc.strftime("%Y%m%d%H%M")
            dchunk.append(";".join([str(i), call, stamp, stamp, "CW" if mode == 0 else "SSB", bname, "700",
                                    "%d.%03d" % (khz, i % 1000), "50W", "DP", "599", "599", "", "", "", "",
                                    rcv, "", "N", "N"]))
            if len(zchunk) == 10000:
                zlo.write(b"".join(zchunk))
                dp.write(("\r\n".join(dchunk) + "\r\n").encode("cp932"))
                zchunk, dchunk = [], []
        zlo.write(b"".join(zchunk))
        if dchunk:
            dp.write(("\r\n".join(dchunk) + "\r\n").encode("cp932"))
    if len(sys.argv) > 5:
        # A database of n records: every station three times (names from the last one), the
        # rest other stations.
        names = ["山田", "鈴木", "佐藤", "Bill", "Hans", ""]
        with open(sys.argv[4], "wb") as f:
            lines = []
            for i in range(n):
                call = stations[i % len(stations)] if i < 3 * len(stations) else "JQ%dZ%05d" % (i % 10, i)
                lines.append('"%s","2023/01/01","10:00J","599","599","7.025","CW","1101","","J  ","%s","","","","0"'
                             % (call, names[i % len(names)]))
                if len(lines) == 10000:
                    f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))
                    lines = []
            if lines:
                f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))
        with open(sys.argv[5], "wb") as f:
            # The master reader skips the first two records.
            f.write(("0000\t-\r\n0000\t-\r\n" + "".join("%s\t場所%s\r\n" % (c, c) for c in CODES)).encode("cp932"))


if __name__ == "__main__":
    main()
