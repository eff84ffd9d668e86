#!/usr/bin/env python3
"""Writes the example zLog contest log examples/zlog/TRELVO-TEST.ZLO (our own contacts).

A made-up contest, "TRELVO QSO PARTY", logged in JST: the received number is the other
station's JCC/JCG code or, for a prefecture station, its prefecture number in the contest
numbering; memos on some contacts. Some callsigns are in examples/hamlog/Hamlog.HDB, so the
name lookup (--qra-from) finds them.

usage: python3 examples/zlog/make_example.py
"""
import datetime
import os
import struct

EPOCH = datetime.datetime(1899, 12, 30)
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "TRELVO-TEST.ZLO")

# time (JST), call, sent, received, received number, mode (0 CW, 1 SSB, 2 FM), band code, memo
CONTACTS = [
    ("2024/10/12 21:00", "JA1ABC", 599, 599, "1101", 0, 2, ""),
    ("2024/10/12 21:02", "JE3HHT", 599, 599, "2501", 0, 2, ""),
    ("2024/10/12 21:05", "JA4QRP/QRP", 599, 579, "3101", 0, 2, "5W"),
    ("2024/10/12 21:09", "JR2DEF/2", 599, 599, "2001", 0, 1, "山頂移動"),
    ("2024/10/12 21:15", "JA6FUK", 599, 599, "4001", 0, 1, ""),
    ("2024/10/12 21:30", "JH1XYZ", 59, 59, "10", 1, 2, ""),
    ("2024/10/12 21:41", "JA0AAA/0", 59, 57, "09", 1, 2, "ﾛｰｶﾙ"),
    ("2024/10/12 22:03", "JS6ABC", 59, 59, "47", 1, 4, ""),
    ("2024/10/13 06:12", "JA8XYZ", 599, 599, "01", 0, 1, "QSY 3.5"),
    ("2024/10/13 07:45", "7K1ABC", 59, 59, "1101", 2, 11, "FM"),
]


def text(buf, at, b):
    buf[at] = len(b)
    buf[at + 1:at + 1 + len(b)] = b


def main():
    header = bytearray(256)
    header[84:86] = b"\xe4\xfd"  # JST
    text(header, 175, "TRELVO QSO PARTY".encode("cp932"))
    data = bytes(header)
    for when, call, sent, rcvd, num, mode, band, memo in CONTACTS:
        r = bytearray(256)
        d = datetime.datetime.strptime(when, "%Y/%m/%d %H:%M") - EPOCH
        r[0:8] = struct.pack("<d", d.days + d.seconds / 86400.0)
        text(r, 8, call.encode("ascii"))
        text(r, 52, num.encode("ascii"))
        r[84:88] = struct.pack("<HH", sent, rcvd)
        r[92] = mode
        r[93] = band
        text(r, 175, memo.encode("cp932"))
        data += bytes(r)
    with open(OUT, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
