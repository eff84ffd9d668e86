#!/usr/bin/env python3
"""Writes a large ADIF log for the import benchmark.

usage: gen_adif.py RECORDS OUT.adi

Shift-JIS (CP932) text with CR LF line ends, as the Windows loggers write it. Every record has
12 to 15 tags; about a third of the stations are Japanese with a Japanese name and QTH; a
record in eight is written one tag per line, the others on one line.
"""
import random
import sys


def tag(name, value):
    b = value.encode("cp932")
    return b"<%s:%d>%s" % (name.encode(), len(b), b)


def main():
    count = int(sys.argv[1])
    out_path = sys.argv[2]
    rnd = random.Random(4)
    ja_names = ["山田", "佐藤", "鈴木 一郎", "高橋", "田中 花子", "渡辺", "伊藤", "中村 ｱｷﾗ", "小林", "加藤"]
    ja_qths = ["東京都 八王子市", "大阪府 堺市", "神奈川県 横浜市", "北海道 札幌市", "福岡県 北九州市",
               "愛知県 名古屋市", "宮城県 亘理郡", "広島県 呉市"]
    dx_names = ["John", "Maria", "Bob", "Hans", "Pierre", "Ivan", "Chen", "Bruce"]
    dx_qths = ["Boston", "Madrid", "Sydney", "Berlin", "Paris", "Moscow", "Beijing", "Toronto"]
    bands = [("40m", 7.0, 7.2), ("20m", 14.0, 14.35), ("15m", 21.0, 21.45), ("10m", 28.0, 29.7),
             ("6m", 50.0, 54.0), ("2m", 144.0, 146.0)]
    modes = ["CW", "SSB", "FT8", "RTTY", "FM"]
    with open(out_path, "wb", buffering=1 << 22) as f:
        f.write(b"Generated for the TRELVO5 import benchmark\r\n" + tag("ADIF_VER", "3.1.4") + b"\r\n" +
                tag("PROGRAMID", "BenchLogger") + b"\r\n<EOH>\r\n")
        chunk = []
        for i in range(count):
            ja = rnd.random() < 0.35
            if ja:
                call = "J%s%d%s" % (rnd.choice("AEFGHIJKLMNOPQRS"), rnd.randint(0, 9),
                                    "".join(rnd.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(3)))
            else:
                call = "%s%d%s" % (rnd.choice(["W", "K", "DL", "F", "VK", "UA", "BY", "VE", "EA"]),
                                   rnd.randint(0, 9),
                                   "".join(rnd.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(3)))
            band, lo, hi = rnd.choice(bands)
            day = 1 + i % 28
            t = [tag("CALL", call), tag("QSO_DATE", "2024%02d%02d" % (1 + i % 12, day)),
                 tag("TIME_ON", "%02d%02d%02d" % (rnd.randint(0, 23), rnd.randint(0, 59), rnd.randint(0, 59))),
                 tag("TIME_OFF", "%02d%02d" % (rnd.randint(0, 23), rnd.randint(0, 59))),
                 tag("BAND", band), tag("FREQ", "%.5f" % rnd.uniform(lo, hi)), tag("MODE", rnd.choice(modes)),
                 tag("RST_SENT", "599"), tag("RST_RCVD", rnd.choice(["599", "579", "559"])),
                 tag("NAME", rnd.choice(ja_names if ja else dx_names)),
                 tag("QTH", rnd.choice(ja_qths if ja else dx_qths)),
                 tag("QSL_SENT", rnd.choice("YN")), tag("QSL_RCVD", rnd.choice("YNR"))]
            if ja:
                t.append(tag("JCC", "%04d" % rnd.randint(100, 4800)))
            else:
                t.append(tag("DXCC", str(rnd.randint(1, 520))))
                t.append(tag("GRIDSQUARE", "%s%s%d%d" % (rnd.choice("ABCDEFGHIJKLMNOPQR"),
                                                          rnd.choice("ABCDEFGHIJKLMNOPQR"),
                                                          rnd.randint(0, 9), rnd.randint(0, 9))))
            if rnd.random() < 0.3:
                t.append(tag("COMMENT", rnd.choice(["TNX QSO", "ｺﾝﾃｽﾄ", "first QSO on this band", "移動運用"])))
            if i % 8 == 7:
                chunk.append(b"\r\n".join(t) + b"\r\n<EOR>\r\n\r\n")
            else:
                chunk.append(b" ".join(t) + b" <EOR>\r\n")
            if len(chunk) >= 10000:
                f.write(b"".join(chunk))
                chunk = []
        f.write(b"".join(chunk))


if __name__ == "__main__":
    main()
