#!/usr/bin/env python3
"""Writes a DigiPan log of N contacts for the benchmark: CP932, CR LF, 20 values per line
separated by ";", realistic callsigns (JA and DX, portable, /QRP), rising UTC stamps, kHz
frequencies, reports, some Japanese names and QTHs, some values with commas.

usage: gen_digipan_log.py N OUT [SEED]
"""
import datetime
import random
import sys

JA_PREFIXES = ["JA", "JE", "JF", "JG", "JH", "JI", "JJ", "JK", "JL", "JM", "JN", "JO", "JP",
               "JQ", "JR", "JS", "7K", "7L", "7M", "7N"]
DX_PREFIXES = ["W", "K", "N", "VK", "ZL", "DL", "G", "F", "I", "EA", "UA", "BV", "HL", "BY",
               "VE", "PY", "LU", "ZS", "9M", "YB", "KH6", "KH0", "OH", "SM", "OK"]
BANDS = [("80m", 3580), ("40m", 7025), ("30m", 10140), ("20m", 14070), ("17m", 18100),
         ("15m", 21070), ("12m", 24920), ("10m", 28120), ("6m", 50313)]
JA_NAMES = ["山田", "鈴木", "佐藤", "高橋", "田中", "渡辺", "伊藤", "中村", "ｽｽﾞｷ", "ﾀﾛｳ"]
JA_QTHS = ["東京都港区", "神奈川県横浜市", "大阪府堺市", "愛知県名古屋市", "北海道札幌市",
           "福岡県福岡市", "富山県富山市", "沖縄県那覇市"]
DX_NAMES = ["Joe", "Bill", "Peter", "Hans", "Maria", "Ken", "Ivan", "Li", "Paulo", "Anna"]
DX_QTHS = ["Newington, CT", "Sydney NSW", "Berlin", "London", "Sao Paulo", "Moscow",
           "Taipei", "Seoul", "Cape Town", "Helsinki"]
REMARKS = ["tnx fb qso", "nice signal", "QRP 5W, 73", "", "", "初QSO ありがとう", "eQSL ok",
           "", "/1 移動運用", "weak, QSB"]
MODES = ["BPSK31", "BPSK31", "BPSK31", "BPSK63", "QPSK31"]


def suffix(rng, n):
    return "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(n))


def callsign(rng):
    if rng.random() < 0.6:
        call = rng.choice(JA_PREFIXES) + str(rng.randint(0, 9)) + suffix(rng, 3)
        r = rng.random()
        if r < 0.08:
            call += "/" + str(rng.randint(0, 9))
        elif r < 0.11:
            call += "/QRP"
        return call, True
    call = rng.choice(DX_PREFIXES) + str(rng.randint(0, 9)) + suffix(rng, rng.randint(1, 3))
    if rng.random() < 0.03:
        call += "/P"
    return call, False


def main():
    n = int(sys.argv[1])
    out = sys.argv[2]
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    t = datetime.datetime(2015, 1, 1, 0, 0)
    with open(out, "wb") as f:
        chunk = []
        for i in range(1, n + 1):
            t += datetime.timedelta(minutes=rng.randint(1, 9))
            call, ja = callsign(rng)
            band, base = rng.choice(BANDS)
            hz = base * 1000 + rng.randint(0, 2999)
            freq = "%d.%03d" % (hz // 1000, hz % 1000)
            start = t.strftime("%Y%m%d%H%M")
            end = (t + datetime.timedelta(minutes=rng.randint(1, 8))).strftime("%Y%m%d%H%M")
            name = rng.choice(JA_NAMES) if ja and rng.random() < 0.5 else rng.choice(DX_NAMES)
            qth = rng.choice(JA_QTHS) if ja and rng.random() < 0.5 else rng.choice(DX_QTHS)
            values = [str(i), call, start, end, rng.choice(MODES), band, str(rng.randint(500, 2500)),
                      freq, "50W", "DP", rng.choice(["599", "579", "559"]),
                      rng.choice(["599", "589", "569"]), "", "", name, qth, rng.choice(REMARKS),
                      "", "N", "N"]
            chunk.append(";".join(values))
            if len(chunk) == 10000:
                f.write(("\r\n".join(chunk) + "\r\n").encode("cp932"))
                chunk = []
        if chunk:
            f.write(("\r\n".join(chunk) + "\r\n").encode("cp932"))


if __name__ == "__main__":
    main()
