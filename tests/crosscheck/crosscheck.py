#!/usr/bin/env python3
"""A second, separate reading of the zLog import and the Turbo HAMLOG exports, run against the
program on random logs and databases.

Everything here is written from the file layouts and the conversion rules alone: the zLog files
and the Turbo HAMLOG databases are built byte by byte, the lines the program should write are
worked out here, and the program's outputs must equal them byte for byte. The random inputs come
from a fixed seed, so a disagreement can be run again.

usage: crosscheck.py TRELVO5 WORK_FOLDER [SEED]
"""
import datetime
import decimal
import os
import random
import shutil
import struct
import subprocess
import sys

EPOCH = datetime.datetime(1899, 12, 30)
JA_PREFIXES = "JA,JE,JF,JG,JH,JI,JJ,JK,JL,JM,JN,JO,JP,JQ,JR,JS,7K,7L,7M,7N,8J,8K,8L,8M,8N"
SPECIAL = "8J1RL,8J1RM,8J1RF,8J1ANT"
BANDS = ["1.9", "3.5", "7", "10", "14", "18", "21", "24", "28", "50", "144", "430", "1200", "2400",
         "5600", "*10"]
MODE_NAMES = ["CW", "SSB", "FM", "AM", "RTTY", "Other"]
PREFECTURES = ("北海道 青森県 岩手県 秋田県 山形県 宮城県 福島県 新潟県 長野県 東京都 神奈川県 千葉県 埼玉県 茨城県 "
               "栃木県 群馬県 山梨県 静岡県 岐阜県 愛知県 三重県 京都府 滋賀県 奈良県 大阪府 和歌山県 兵庫県 富山県 "
               "福井県 石川県 岡山県 島根県 山口県 鳥取県 広島県 香川県 徳島県 愛媛県 高知県 福岡県 佐賀県 長崎県 "
               "熊本県 大分県 宮崎県 鹿児島県 沖縄県").split()
# The area codes of the master file made here, with their place names, in file order.
MASTER = [("1101", "札幌市中央区"), ("0101", "旭川市"), ("100101", "東京都千代田区"), ("10011", "西多摩郡"),
          ("3101", "岡山市"), ("1803", "沼津市"), ("2501", "大阪市"), ("25010", "北区"), ("1101", "重複")]


def sjis(s):
    return s.encode("cp932")


def q(fields):
    return ",".join('"' + f + '"' for f in fields) + "\r\n"


# ------------------------------------------------------------------ shared station rules

def station_class(call):
    """'0' JA, '8' DX; `call` without /QRP, upper case."""
    if "/" not in call:
        if call in SPECIAL:
            return "8"
        return "0" if call[:2] in JA_PREFIXES else "8"
    base, portable = call.split("/", 1)
    key = portable[:2] if len(base) > len(portable) and len(portable) >= 2 else base[:2]
    return "0" if key in JA_PREFIXES else "8"


def shift(date, time, hours):
    """'yyyy/mm/dd', 'HH:MM' moved by `hours`."""
    t = datetime.datetime.strptime(date + " " + time, "%Y/%m/%d %H:%M") + datetime.timedelta(hours=hours)
    return t.strftime("%Y/%m/%d"), t.strftime("%H:%M")


# ------------------------------------------------------------------ zLog

def random_call(rng):
    area = str(rng.randrange(10))
    suffix = "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(rng.randrange(1, 4)))
    prefix = rng.choice(["JA", "JH", "JR", "7K", "8J", "JD", "W", "K", "DL", "VK", "KH", "BV"])
    call = prefix + area + suffix
    r = rng.random()
    if r < 0.1:
        call += "/" + str(rng.randrange(10))
    elif r < 0.2:
        call = rng.choice(["KH6", "W1", "JA1", "KH0"]) + "/" + call
    elif r < 0.3:
        call += "/QRP"
    elif r < 0.33:
        call = rng.choice(["8J1RL", "8J1RM", "8J1ANT", "8J1RL/P", "JA1ABC/QRP/1"])
    if rng.random() < 0.2:
        call = call.lower()
    return call[:12]


def random_text(rng, max_bytes, pool):
    out = b""
    while True:
        piece = sjis(rng.choice(pool))
        if len(out) + len(piece) > max_bytes:
            return out
        out += piece
        if rng.random() < 0.3:
            return out


TEXT_POOL = ["A", "B", "1", "5", "M", " ", "ﾒ", "ﾓ", "移", "動", "局", "ー", "P", "%", "x"]


def zlog_header(rng):
    h = bytearray(256)
    if rng.random() < 0.5:
        h[84:86] = b"\xe4\xfd"
    elif rng.random() < 0.5:
        h[84:86] = b"\xfd\xe4"
    name = random_text(rng, 80, TEXT_POOL + ["ALL JA", "コンテスト"])
    if rng.random() < 0.2:
        name = b"\x00" + name[:79]  # a NUL before the name: removed
    h[175] = len(name)
    h[176:176 + len(name)] = name
    return bytes(h)


def zlog_record(rng):
    r = bytearray(256)
    when = datetime.datetime(rng.randrange(1995, 2035), rng.randrange(1, 13), rng.randrange(1, 29),
                             rng.randrange(24), rng.randrange(60))
    d = when - EPOCH
    r[0:8] = struct.pack("<d", d.days + d.seconds / 86400.0)
    call = random_call(rng).encode("ascii")
    r[8] = len(call)
    r[9:9 + len(call)] = call
    x = rng.random()
    if x < 0.5:  # serial + code + power, as contests send them
        num = rng.choice(["", "001", "12"]) + rng.choice([c for c, _ in MASTER] + ["31", "1", "48", "0", "9999"]) + \
            rng.choice(["", "M", "H", "P"])
    else:
        num = "".join(rng.choice("0123456789MHLP") for _ in range(rng.randrange(0, 21)))
    num = num.encode("ascii")
    r[52] = len(num)
    r[53:53 + min(16, len(num))] = num[:16]
    r[84:86] = struct.pack("<H", rng.choice([599, 59, 0, 519, 579, 65535]))
    r[86:88] = struct.pack("<H", rng.choice([599, 59, 0, 339]))
    r[92] = rng.choice([0, 1, 2, 3, 4, 5, 6, 200])
    r[93] = rng.choice(list(range(16)) + [16, 99])
    memo = random_text(rng, 80, TEXT_POOL)
    r[175] = len(memo)
    r[176:176 + len(memo)] = memo
    return bytes(r)


def area(rcv, opts, master):
    """Code and QTH from the received number."""
    n = len(rcv)
    front, back = opts["front"], opts["back"]
    x = "" if front + back >= n else rcv[front:n - back]
    if opts["lead"] > 0:
        x = x[:opts["lead"]]
    if len(x) >= 4:
        for code, name in master:
            if code.strip() == x:
                return code.strip(), name.strip()
        return "", ""
    if 1 <= len(x) <= 3 and x.isdigit() and int(x) > 0:
        t = "%02d" % int(x) + PREFECTURES[int(x) - 1] if int(x) <= 47 else "01北海道"
        return t[:2], t[2:6]
    return "", ""


def zlog_expected(data, opts, widths, master=()):
    """The lines of the import CSV for the file `data` with the options `opts`."""
    hdr = data[:256]
    base = "J" if hdr[84:86] == b"\xe4\xfd" else "U"
    contest = hdr[176:176 + min(hdr[175], 80)].decode("cp932").replace("\x00", "")
    mark = (opts.get("qsl") or " ") if opts.get("qsl") is not None else " "
    out = []
    for n in range(1, len(data) // 256):
        r = data[256 * n:256 * n + 256]
        days = struct.unpack("<d", r[0:8])[0]
        t = EPOCH + datetime.timedelta(seconds=round(days * 86400))
        date, time = t.strftime("%Y/%m/%d"), t.strftime("%H:%M")
        call = r[9:9 + min(r[8], 12)].decode("cp932").upper()
        qrp = "/QRP" in call
        call = call.replace("/QRP", "")
        cls = station_class(call)
        zone = base
        if opts.get("other_zone"):
            if cls == "0" and base == "U":
                date, time = shift(date, time, 9)
                zone = "J"
            elif cls == "8" and base == "J":
                date, time = shift(date, time, -9)
                zone = "U"
        if qrp:
            call += "/QRP"
        his = str(struct.unpack("<H", r[84:86])[0])
        my = str(struct.unpack("<H", r[86:88])[0])
        freq = BANDS[r[93]] if r[93] < 16 else ""
        mode = MODE_NAMES[r[92]] if r[92] < 6 else ""
        rcv = r[53:53 + min(r[52], 16)].decode("cp932")
        memo = r[176:176 + min(r[175], 80)].decode("cp932")
        qsl = (mark + "  ")[:3].upper()
        rem = {"remarks1": "", "remarks2": ""}
        if opts["rcvnum"] != "none":
            rem[opts["rcvnum"]] = rcv
        if opts["memo"] != "none":
            rem[opts["memo"]] += " " + memo
        if opts["contest"] != "none":
            rem[opts["contest"]] += " " + contest
        if opts.get("extra") is not None:
            rem[opts.get("extra_to", "remarks1")] += " " + opts["extra"]
        call, freq, mode = call[:widths[0]], freq[:widths[11]], mode[:widths[12]]
        my, his = my[:widths[10]], his[:widths[9]]
        code = qth = ""
        if opts.get("qth") and rcv:
            code, qth = area(rcv, opts, master)
        r1 = rem["remarks1"].lstrip(" ")[:widths[15]]
        r2 = rem["remarks2"].lstrip(" ")[:widths[16]]
        out.append(q([call, date, time + zone, his, my, freq, mode, code, "", qsl, "", qth, r1, r2, cls]))
    return "".join(out).encode("cp932")


def zlog_args(opts):
    a = ["--rcvnum-to", opts["rcvnum"], "--memo-to", opts["memo"], "--contest-to", opts["contest"]]
    if opts.get("other_zone"):
        a.append("--to-other-zone")
    if opts.get("qsl") is not None:
        a.append("--qsl-issue=" + opts["qsl"])
    if opts.get("extra") is not None:
        a += ["--extra", opts["extra"]]
        if "extra_to" in opts:
            a += ["--extra-to", opts["extra_to"]]
    if opts.get("qth"):
        a += ["--qth", "--front-cut", str(opts["front"]), "--back-cut", str(opts["back"]), "--lead-chars",
              str(opts["lead"])]
    return a


# ------------------------------------------------------------------ the Turbo HAMLOG database

HDB_FIELDS = [("CALLS", 8), ("IGN", 12), ("DATE", 4), ("TIME", 2), ("CODE", 6), ("GL", 6), ("QSL", 3),
              ("FLAG", 2), ("HIS", 3), ("MY", 3), ("FREQ", 7), ("MODE", 4), ("NAME", 12), ("QTH", 28),
              ("RMK1", 54), ("RMK2", 54)]


def dbf(fields, records, header_length=None):
    length = 1 + sum(w for _, w in fields)
    hl = header_length or 32 + 32 * len(fields) + 1
    h = bytearray(hl)
    h[0] = 3
    h[1:4] = bytes([125, 1, 2])
    h[4:8] = struct.pack("<I", len(records))
    h[8:10] = struct.pack("<H", hl)
    h[10:12] = struct.pack("<H", length)
    for i, (name, width) in enumerate(fields):
        at = 32 + 32 * i
        h[at:at + len(name)] = name.encode("ascii")
        h[at + 11] = ord("C")
        h[at + 16] = width
    h[32 + 32 * len(fields)] = 0x0D
    return bytes(h) + b"".join(records)


def pad(b, w):
    return (b + b" " * w)[:w]


def random_qso(rng):
    """One stored record (bytes) and what its fields say."""
    r = {}
    main = rng.choice(["JA", "JH", "7K", "W", "DL", "KH", "8J"]) + str(rng.randrange(10)) + \
        "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(rng.randrange(1, 4)))
    if rng.random() < 0.05:
        main = "JA1ABCDEFG"  # longer than CALLS: the rest goes to the left of IGN
    portable, reverse = "", False
    x = rng.random()
    if x < 0.15:
        portable = rng.choice(["1", "3", "QRP", "P", "QRP/3", "KH6"])
    elif x < 0.25:
        portable, reverse = rng.choice(["KH6", "W1", "VK"]), True
    ja = main[:2] in JA_PREFIXES
    if reverse and ja:
        reverse, portable = False, "P"
    calls = pad(main[:8].encode(), 8)
    over = main[8:].encode()
    ign = bytearray(b" " * 12)
    ign[:len(over)] = over
    if portable:
        pb = portable.encode()[:12 - len(over) - (1 if over else 0)]
        ign[12 - len(pb):] = pb
    flag = 0 if ja else 8 | (2 if reverse else (1 if portable else 0))
    when = datetime.date(rng.randrange(1980, 2040), rng.randrange(1, 13), rng.randrange(1, 29))
    utc = rng.random() < 0.5
    hour, minute = rng.randrange(24), rng.randrange(60)
    code = rng.choice(["", "1101", "110101", "01001", "10011A", "100110", "123", "4991", "12345A", "1234567"])
    grid = rng.choice(["", "PM95", "PM95VQ"])
    qsl = bytes(rng.choice(b"J N*R \x00") for _ in range(3))
    his = rng.choice(["599", "59", "5", ""])
    my = rng.choice(["599", "579", ""])
    freq = rng.choice(["7", "7.025", "1.9", "1.25", "3.5", "14.074", "144.1", "146.5", "430",
                       "1200", "2400", "5600", "*10", "*24", "28.5", "50.1", "0.136", "18.1",
                       "24.9", "21.0", "10.1", "3500", "1/2", "", " 7.01 "])
    mode = rng.choice(["CW", "SSB", "PH", "RY", "RTY", "TTY", "STV", "SST", "FT8", "FM", ""])
    name = random_text(rng, 12, ["A", "b", "太", "郎", "ｶ", " "]).strip()
    qth = random_text(rng, 28, ["Tokyo", "東京都", "ﾖｺﾊﾏ", " ", "市"]).strip()
    rmk1 = random_text(rng, 54, ["tnx", "QSL", "ありがとう", " ", "ﾃｽﾄ"]).strip()
    rmk2 = random_text(rng, 54, ["via JARL", "P", " "]).strip()
    body = (calls + bytes(ign) + bytes([when.year // 100, when.year % 100, when.month, when.day]) +
            bytes([hour, minute | (0x80 if utc else 0)]) + pad(code.encode(), 6) + pad(grid.encode(), 6) +
            qsl + struct.pack("<H", flag) + pad(his.encode(), 3) + pad(my.encode(), 3) +
            pad(freq.encode(), 7) + pad(mode.encode(), 4) + pad(name, 12) + pad(qth, 28) + pad(rmk1, 54) +
            pad(rmk2, 54))
    deleted = rng.random() < 0.03
    return (b"*" if deleted else b" ") + body, deleted


def read_qso(rec):
    """The fields of a stored record as the export sees them."""
    fields, at = {}, 1
    for name, w in HDB_FIELDS:
        fields[name] = rec[at:at + w]
        at += w
    calls = fields["CALLS"].decode("cp932").strip()
    ign = fields["IGN"].decode("cp932")
    flag = struct.unpack("<H", fields["FLAG"])[0]
    over = ""
    rest = ign
    if not ign.startswith(" "):
        over = ign.split(" ", 1)[0]
        rest = ign[len(over):]
    rest = rest.strip()
    if flag & 8 and flag & 2:
        prefix, _, after = rest.partition("/")
        call = prefix + "/" + calls + over + ("/" + after if after else "")
    else:
        call = calls + over + ("/" + rest if rest else "")
    d = fields["DATE"]
    year = d[0] * 100 + d[1]
    t = fields["TIME"]
    text = lambda k: fields[k].decode("cp932").replace("\x00", "").strip(" ")
    qsl = fields["QSL"].decode("cp932")
    return {
        "Call": call,
        "DateISO": "%04d-%02d-%02d" % (year, d[2], d[3]),
        "Time": "%02d:%02d%s" % (t[0], t[1] & 0x7F, "U" if t[1] & 0x80 else "J"),
        "HisRST": text("HIS"), "MyRST": text("MY"), "Freq": text("FREQ"), "Mode": text("MODE"),
        "Code": text("CODE"), "GridLoc": text("GL"), "Name": text("NAME"), "QTH": text("QTH"),
        "Remarks1": text("RMK1"), "Remarks2": text("RMK2"),
        "marks": [" " if c == "\x00" else c for c in qsl],
    }


def band_of(freq):
    f = freq.strip()
    if f == "7":
        return "40m"
    two, three = f[:2], f[:3]
    table = {"0.": "2200m", "3.": "80m", "7.": "40m", "70": "40m", "10": "30m", "18": "17m", "21": "15m",
             "28": "10m", "29": "10m", "50": "6m", "51": "6m", "52": "6m", "53": "6m", "43": "70cm",
             "12": "23cm", "56": "6cm", "*1": "3cm", "*2": "12mm", "*4": "6mm", "*7": "3mm"}
    if two == "1.":
        return "23cm" if three == "1.2" else "160m"
    if two == "14":
        return "2m" if three in ("144", "145") else "20m"
    if two == "24":
        return "13cm" if three == "240" else "12m"
    return table.get(two, "")


def single(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def shortest_single(v):
    """The shortest decimal text that reads back as the single-precision value, without an
    exponent (7025, 14074.5)."""
    for p in range(1, 10):
        s = "%.*g" % (p, v)
        if single(float(s)) == v:
            s = format(decimal.Decimal(s), "f")
            return s.rstrip("0").rstrip(".") if "." in s else s
    return repr(v)


def adif_line(f, khz):
    def tag(name, value, length=None):
        return "<%s:%d>%s" % (name, len(value) if length is None else length, value)

    y, m, d = int(f["DateISO"][:4]), int(f["DateISO"][5:7]), int(f["DateISO"][8:10])
    hh, mm = int(f["Time"][:2]), int(f["Time"][3:5])
    when = datetime.datetime(y, m, d, hh, mm)
    if "J" in f["Time"]:
        when -= datetime.timedelta(hours=9)
    date, time = when.strftime("%Y%m%d"), when.strftime("%H%M")
    freq = f["Freq"]
    band = band_of(freq)
    if khz and "/" not in freq and "*" not in freq and freq:
        freq = shortest_single(single(single(float(freq)) * 1000))
    mode = {"PH": "SSB", "RY": "RTTY", "RTY": "RTTY", "TTY": "RTTY", "STV": "SSTV", "SST": "SSTV"}.get(
        f["Mode"], f["Mode"])
    s = tag("CALL", f["Call"]) + "<QSO_DATE:8:d>" + date + tag("TIME_ON", time) + tag("FREQ", freq)
    s += tag("BAND", band) + tag("MODE", mode)
    code = f["Code"]
    if len(code) in (1, 2, 3):
        s += tag("JCC", code)
    elif len(code) == 4:
        s += tag("JCC", code)  # the codes made here are below 500
    elif len(code) == 5:
        s += tag("JCG", code)
    elif len(code) == 6:
        s += tag("AJA" if code[-1].isdigit() else "JCG", code)
    s += tag("RST_SENT", f["HisRST"]) + tag("RST_RCVD", f["MyRST"])
    blen = lambda v: len(sjis(v))
    for name, key in (("QTH", "QTH"), ("NAME", "Name")):
        if f[key]:
            s += tag(name, f[key], blen(f[key]))
    if f["GridLoc"]:
        s += tag("GRIDSQUARE", f["GridLoc"])
    for name, mark in zip(("QSL_VIA", "QSL_SENT", "QSL_RCVD"), f["marks"]):
        if mark.strip():
            s += tag(name, mark.strip())
    for name, key in (("COMMENT1", "Remarks1"), ("COMMENT2", "Remarks2")):
        if f[key]:
            s += tag(name, f[key], blen(f[key]))
    return s + "<eor>\r\n"


def csv_call(call):
    c = call.strip().upper()
    if "/QRP" in c:
        c = c.replace("/QRP", "") + "/QRP"
    return c


def csv_line(f, v5):
    call = csv_call(f["Call"])
    y, m, d = f["DateISO"][:4], f["DateISO"][5:7], f["DateISO"][8:10]
    marks = "".join(x.strip() or " " for x in f["marks"])
    row = [call, y[2:] + "/" + m + "/" + d if v5 else y + m + d, f["Time"] if v5 else f["Time"].replace(":", ""),
           f["HisRST"], f["MyRST"], f["Freq"], f["Mode"], f["Code"], f["GridLoc"], marks, f["Name"], f["QTH"],
           f["Remarks1"], f["Remarks2"]]
    if v5:
        row.append(station_class(call.replace("/QRP", "")))
    return q(row)


def fit_chars(s, w):
    return (s + " " * w)[:w]


def fit_bytes(s, w):
    b = sjis(s)
    return (b[:w] if len(b) >= w else b + b" " * (w - len(b))).decode("cp932")


def backup_line(f):
    call, portable = f["Call"], ""
    if "/" in call:
        before, after = call.rsplit("/", 1)
        call, portable = (after, before) if len(after) > len(before) else (before, after)
    y, m, d = f["DateISO"][2:4], f["DateISO"][5:7], f["DateISO"][8:10]
    marks = "".join(x.strip() or " " for x in f["marks"])
    return (fit_chars(call, 7) + fit_chars(portable, 3) + fit_chars(f["Code"], 6) + fit_chars(f["GridLoc"], 6) +
            fit_chars(f["Freq"], 7) + fit_chars(f["Mode"], 3) + fit_bytes(f["Name"], 12) + fit_chars(marks, 3) +
            y + m + d + fit_chars(f["Time"].replace(":", ""), 5) + fit_chars(f["HisRST"], 3) +
            fit_chars(f["MyRST"], 3) + fit_bytes(f["QTH"], 28) + fit_bytes(f["Remarks1"], 54) +
            fit_bytes(f["Remarks2"], 54) + "\r\n")


# ------------------------------------------------------------------ the runs

class Check:
    def __init__(self, program, work):
        self.program, self.work, self.failures = program, work, []

    def run(self, args):
        p = subprocess.run([self.program] + args, cwd=self.work, capture_output=True)
        if p.returncode != 0:
            self.failures.append("%s: exit %d: %s" % (" ".join(args), p.returncode, p.stderr.decode(errors="replace")))
        return p

    def compare(self, what, got, want):
        if got == want:
            return
        gl, wl = got.split(b"\r\n"), want.split(b"\r\n")
        for i, (g, w) in enumerate(zip(gl, wl)):
            if g != w:
                self.failures.append("%s, line %d:\n  program: %s\n  expected: %s" % (
                    what, i + 1, g.decode("cp932", "replace"), w.decode("cp932", "replace")))
                return
        self.failures.append("%s: %d lines, expected %d" % (what, len(gl), len(wl)))


def main():
    program, work = os.path.abspath(sys.argv[1]), sys.argv[2]
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    rng = random.Random(seed)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    c = Check(program, work)
    ini = ["--ini", os.path.join(work, "none.INI")]

    # The exports: a database of a few hundred random records, written byte by byte.
    stored = [random_qso(rng) for _ in range(300)]
    with open(os.path.join(work, "Hamlog.HDB"), "wb") as f:
        f.write(dbf(HDB_FIELDS, [r for r, _ in stored]))
    master = [("CODE", 6), ("QTH", 34), ("FLG", 1), ("HED", 2), ("ERIA", 1), ("CFM", 3), ("WKD", 2), ("IDO", 6)]
    with open(os.path.join(work, "Hamlog.mst"), "wb") as f:
        # The list starts at the third record (offset 346 + 56); a "500A" record ends it.
        rows = [("", ""), ("9998", "never read")] + MASTER + [("500A", "DX"), ("9999", "after the end")]
        f.write(dbf(master, [b" " + pad(sjis(c), 6) + pad(sjis(n), 34) + bytes(15) for c, n in rows],
                    header_length=290))

    # zLog: a few files, each with several option sets and random widths, and the area codes
    # from the master file of that database.
    for k in range(4):
        data = zlog_header(rng) + b"".join(zlog_record(rng) for _ in range(rng.randrange(40, 90)))
        name = "log%d.ZLO" % k
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)
        for j in range(3):
            targets = ["remarks1", "remarks2", "none"]
            opts = {"rcvnum": rng.choice(targets), "memo": rng.choice(targets), "contest": rng.choice(targets),
                    "other_zone": rng.random() < 0.5}
            if rng.random() < 0.6:
                opts["qsl"] = rng.choice(["J", "j", "", "NO", "*"])
            if rng.random() < 0.5:
                opts["extra"] = rng.choice(["%移動%", "", "x y"])
                if rng.random() < 0.5:
                    opts["extra_to"] = rng.choice(["remarks1", "remarks2"])
            # The callsign, date and time always have room (a database never gives them 0).
            widths = [rng.choice([20, 8, 3, 1]), 0, 0, 4, 2] + [0] * 4 + [rng.choice([3, 2]), rng.choice([3, 1]),
                                                               rng.choice([7, 2]), rng.choice([4, 2])] + \
                [0, 0, rng.choice([54, 10, 0]), rng.choice([54, 5])]
            if j == 2:
                opts.update(qth=True, front=rng.choice([0, 0, 1, 3]), back=rng.choice([0, 1, 1, 2]),
                            lead=rng.choice([0, 0, 4, 2]))
                widths = [20, 8, 12, 4, 2, 6, 6, 3, 2, 3, 3, 7, 4, 12, 28, 54, 54]
                size = ["--db", "Hamlog.HDB"]
            else:
                size = ["--widths", ",".join(map(str, widths))]
            out = "z%d_%d.csv" % (k, j)
            c.run(ini + ["import", "zlog", name, "-o", out] + size + zlog_args(opts))
            got = open(os.path.join(work, out), "rb").read() if os.path.exists(os.path.join(work, out)) else b""
            c.compare("zlog %s %s" % (name, opts), got, zlog_expected(data, opts, widths, MASTER))

    live = [read_qso(r) for r, deleted in stored if not deleted]
    for kind, extra, line in (("adif", [], lambda f: adif_line(f, False)),
                              ("adif", ["--khz"], lambda f: adif_line(f, True)),
                              ("csv", [], lambda f: csv_line(f, False)),
                              ("csv5", [], lambda f: csv_line(f, True)),
                              ("backup", [], backup_line)):
        out = "export-%s%s.txt" % (kind, "".join(extra))
        c.run(ini + ["export", kind, "Hamlog.HDB", "-o", out] + extra)
        want = ("<EOH>\r\n" if kind == "adif" else "") + "".join(line(f) for f in live)
        got = open(os.path.join(work, out), "rb").read() if os.path.exists(os.path.join(work, out)) else b""
        c.compare("export %s %s" % (kind, " ".join(extra)), got, want.encode("cp932"))

    for f in c.failures:
        print(f)
    print("%d disagreement(s)" % len(c.failures))
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main())
