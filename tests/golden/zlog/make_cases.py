#!/usr/bin/env python3
"""Builds the inputs of the zLog golden cases (tests/golden/cases/zlog/) byte by byte.

The zLog files are written here field by field; the Turbo HAMLOG databases the name lookup
and the area codes need are built with our own writer (`trelvo5 db create`). The committed
inputs are this script's output:

    python3 tests/golden/zlog/make_cases.py build-dev/trelvo5

With --expected it also runs every case and stores what the command gave as the expected
output (review the differences before committing them).
"""
import datetime
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CASES = os.path.join(HERE, "..", "cases", "zlog")
EPOCH = datetime.datetime(1899, 12, 30)

CW, SSB, FM, AM, RTTY, OTHER = range(6)
ZLOX_FT4, ZLOX_FT8, ZLOX_OTHER = 5, 6, 7
B19, B35, B7, B10, B14, B18, B21, B24, B28, B50, B144, B430 = range(12)


def ole(text):
    """'2024/06/01 12:34' as an OLE date (days since 1899-12-30)."""
    t = datetime.datetime.strptime(text, "%Y/%m/%d %H:%M")
    d = t - EPOCH
    return d.days + d.seconds / 86400.0


def sjis(s):
    return s.encode("cp932") if isinstance(s, str) else s


def put_text(buf, at, text, length=None, room=None):
    """A length byte at `at`, then the bytes (the length byte may say more than is there)."""
    b = sjis(text)
    if room is not None:
        b = b[:room]
    buf[at] = len(b) if length is None else length
    buf[at + 1:at + 1 + len(b)] = b


def header(jst=True, contest="ALL JA コンテスト", time_bytes=None, zlox_count=None):
    size = 384 if zlox_count is not None else 256
    h = bytearray(size)
    if zlox_count is not None:
        h[0:4] = b"ZLOX"
        h[4:8] = struct.pack("<I", zlox_count)
    h[84:86] = time_bytes if time_bytes is not None else (b"\xe4\xfd" if jst else b"\x00\x00")
    put_text(h, 175, contest, room=80)
    return bytes(h)


def record(when, call, rcv="", sent=599, rcvd=599, mode=CW, band=B7, memo="", memo_len=None,
           call_len=None, rcv_len=None, date=None, zlox=False, freq="", qsl=0):
    r = bytearray(384 if zlox else 256)
    r[0:8] = struct.pack("<d", ole(when) if date is None else date)
    put_text(r, 8, call, call_len, room=12)
    put_text(r, 52, rcv, rcv_len, room=31)
    r[84:86] = struct.pack("<H", sent)
    r[86:88] = struct.pack("<H", rcvd)
    r[92] = mode
    r[93] = band
    put_text(r, 175, memo, memo_len, room=80)
    if zlox:
        put_text(r, 256, freq, room=10)
        r[280] = qsl
    return bytes(r)


def case(name, cmd, files, exit_code=0):
    d = os.path.join(CASES, name)
    shutil.rmtree(os.path.join(d, "input"), ignore_errors=True)
    os.makedirs(os.path.join(d, "input"), exist_ok=True)
    with open(os.path.join(d, "cmd"), "w") as f:
        f.write(cmd + "\n")
    for fname, data in files.items():
        with open(os.path.join(d, "input", fname), "wb") as f:
            f.write(data)
    ec = os.path.join(d, "exit_code")
    if exit_code:
        with open(ec, "w") as f:
            f.write("%d\n" % exit_code)
    elif os.path.exists(ec):
        os.remove(ec)


def crlf(lines):
    return "".join(l + "\r\n" for l in lines).encode("cp932")


def database(trelvo5, rows, codes):
    """A Turbo HAMLOG database (.HDB and .mst) made by `trelvo5 db create`: {name: bytes}."""
    with tempfile.TemporaryDirectory() as tmp:
        csv = os.path.join(tmp, "in.csv")
        with open(csv, "wb") as f:
            f.write(crlf(rows))
        cod = os.path.join(tmp, "codes.txt")
        with open(cod, "wb") as f:
            f.write(crlf(codes))
        subprocess.run([trelvo5, "--ini", os.path.join(tmp, "none.ini"), "db", "create",
                        os.path.join(tmp, "Hamlog.HDB"), "--from", csv, "--master",
                        os.path.join(tmp, "Hamlog.mst"), "--from-codes", cod, "--date", "2026-01-01"],
                       check=True, stdout=subprocess.DEVNULL)
        out = {}
        for n in ("Hamlog.HDB", "Hamlog.mst"):
            with open(os.path.join(tmp, n), "rb") as f:
                out[n] = f.read()
        return out


def row(call, name, code="", date="2025/01/01"):
    return ('"%s","%s","10:00J","599","599","7.010","CW","%s","","   ","%s","","","","0"'
            % (call, date, code, name))


# The master reader starts at the third record of the file: the first two are placeholders.
CODES = ["0000\t-", "0000\t-", "0101\t北海道札幌市", "1101\t神奈川県横浜市", "1803\t静岡県沼津市", "3101\t岡山県岡山市",
         "100101\t千代田区", "3101\t重複の岡山市"]

INI = "--ini TRELVO5.INI"


def main():
    trelvo5 = os.path.abspath(sys.argv[1])
    db = database(trelvo5, [row("JA1ABC", "A"), row("JA1ABC/1", ""), row("7J1/JA1ABC", "B"),
                            row("JA2ABC", "A"), row("JA2ABC", "B"), row("JA2ABC/2", "   "),
                            row("JA3XX", "Taro"), row("JH4QRP", "Jiro"), row("JA5AAA", "Wrong")],
                  CODES)
    J, U = header(True), header(False)

    case("header-only", INI + " import zlog empty.ZLO -o out.csv", {"empty.ZLO": J})
    case("short-tail", INI + " import zlog tail.ZLO -o out.csv",
         {"tail.ZLO": J + record("2024/06/01 12:00", "JA1ABC", "1101M")
          + record("2024/06/01 12:01", "JA2XYZ", "20H") + b"\x55" * 100})
    case("too-short", INI + " import zlog short.ZLO -o out.csv", {"short.ZLO": J[:100]}, exit_code=1)
    case("missing-file", INI + " import zlog nothere.ZLO -o out.csv", {}, exit_code=1)
    case("record-fields", INI + " import zlog fields.ZLO -o out.csv --rcvnum-to remarks2",
         {"fields.ZLO": J
          + record("2024/06/01 12:00", "JA1ABC", "599", sent=519, rcvd=59, mode=SSB, band=B430)
          + record("2024/06/01 12:01", "", "1", sent=0, rcvd=0, mode=RTTY, band=B19, call_len=0)
          + record("2024/06/01 12:02", "ja9zzz", "12345678901234567890", mode=6, band=16)
          + record("2024/06/01 12:03", "W1AW", "5NN", mode=OTHER, band=15)
          + record("2024/06/01 12:04", "JA1ABCDEFGHIJKL", "13", mode=FM, band=B1200 if False else 12)
          + record("2024/06/01 23:59", "8J1RL", "", mode=AM, band=B144)})
    case("time-base-reversed", INI + " import zlog rev.ZLO -o out.csv",
         {"rev.ZLO": header(time_bytes=b"\xfd\xe4") + record("2024/06/01 12:00", "JA1ABC", "11")})
    zone_contacts = (record("2024/12/31 20:30", "JA1ABC", "11") + record("2024/01/01 03:10", "W1AW", "5")
                     + record("2024/03/01 00:05", "JA1ABC/QRP", "12") + record("2024/06/01 12:00", "KH0/JA1ABC", "X"))
    case("other-zone-jst-file", INI + " import zlog jst.ZLO -o out.csv --to-other-zone", {"jst.ZLO": J + zone_contacts})
    case("other-zone-utc-file", INI + " import zlog utc.ZLO -o out.csv --to-other-zone", {"utc.ZLO": U + zone_contacts})
    case("qrp-lookup-w0", INI + " import zlog qrp.ZLO -o out.csv --qra-from Hamlog.HDB "
         "--widths 8,8,12,4,2,6,6,3,2,3,3,7,4,12,28,54,54",
         dict(db, **{"qrp.ZLO": J + record("2024/06/01 12:00", "jh4qrp/qrp", "31M")
                     + record("2024/06/01 12:01", "JA3XX/QRP", "22")
                     + record("2024/06/01 12:02", "JH4QRP/4/QRP", "31")}))
    case("cuts-back", INI + " import zlog back.ZLO -o out.csv --qth --db Hamlog.HDB --back-cut 1",
         dict(db, **{"back.ZLO": J + record("2024/06/01 12:00", "JA4ABC", "3101M")
                     + record("2024/06/01 12:01", "JA4ABD", "31M") + record("2024/06/01 12:02", "JA8ABC", "48M")
                     + record("2024/06/01 12:03", "JA8ABD", "01M") + record("2024/06/01 12:04", "JA8ABE", "1M")
                     + record("2024/06/01 12:05", "JA0ABC", "M") + record("2024/06/01 12:06", "JA0ABD", "0M")
                     + record("2024/06/01 12:07", "JA0ABE", "3AM") + record("2024/06/01 12:08", "JA0ABF", "31011M")
                     + record("2024/06/01 12:09", "JA0ABG", "9999M") + record("2024/06/01 12:10", "JA0ABH", "")}))
    case("cuts-front", INI + " import zlog front.ZLO -o out.csv --qth --db Hamlog.HDB --front-cut 3 --rcvnum-to none",
         dict(db, **{"front.ZLO": J + record("2024/06/01 12:00", "JA4ABC", "0013101")
                     + record("2024/06/01 12:01", "JA4ABD", "001") + record("2024/06/01 12:02", "JA4ABE", "00")
                     + record("2024/06/01 12:03", "JA4ABF", "00131")}))
    case("lead-chars", INI + " import zlog lead.ZLO -o out.csv --qth --db Hamlog.HDB --front-cut 1 --back-cut 1 "
         "--lead-chars 4",
         dict(db, **{"lead.ZLO": J + record("2024/06/01 12:00", "JA1ABC", "X110199P")
                     + record("2024/06/01 12:01", "JA1ABD", "X31P")}))
    case("remarks-order", INI + " import zlog rem.ZLO -o out.csv --rcvnum-to remarks1 --memo-to remarks1 "
         "--contest-to remarks1 --extra %富士山% --extra-to remarks2",
         {"rem.ZLO": J + record("2024/06/01 12:00", "JA1ABC", "1101M", memo="ﾒﾓ")
          + record("2024/06/01 12:01", "JA1ABD", "1102M", memo="")})
    case("remarks-example", INI + " import zlog ex.ZLO -o out.csv --memo-to remarks2 --contest-to remarks2 "
         "--qth --db Hamlog.HDB --back-cut 1",
         dict(db, **{"ex.ZLO": header(True, "ALL JA") + record("2024/06/01 12:00", "JA4ABC", "3101M", memo="ﾒﾓ")
                     + record("2024/06/01 12:01", "JA4ABD", "31M", memo="")}))
    case("remarks-trailing-space", INI + " import zlog sp.ZLO -o out.csv --memo-to remarks1 --extra '' --extra-to remarks2",
         {"sp.ZLO": J + record("2024/06/01 12:00", "JA1ABC", "1101M", memo="")})
    case("memo-bytes", INI + " import zlog memo.ZLO -o out.csv --memo-to remarks2 --rcvnum-to none",
         {"memo.ZLO": J + record("2024/06/01 12:00", "JA1ABC", "1", memo=b"AB\x83")
          + record("2024/06/01 12:01", "JA1ABD", "1", memo="ﾃｽﾄ移動", memo_len=None)
          + record("2024/06/01 12:02", "JA1ABE", "1", memo=b"M" * 80, memo_len=200)})
    case("bad-dates", INI + " import zlog dates.ZLO -o out.csv --to-other-zone",
         {"dates.ZLO": J + record("", "W1AW", "1", date=float("nan"))
          + record("", "JA1ABC", "2", date=float("inf")) + record("", "JA1ABD", "3", date=-700000.0)
          + record("", "JA1ABE", "4", date=2958466.0) + record("", "W2AW", "5", date=-1.25)
          + record("", "JA1ABF", "6", date=2958465.5) + record("", "JA1ABG", "7", date=45000.99999999)})
    case("widths-zero", INI + " import zlog w.ZLO -o out.csv --widths 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0 "
         "--memo-to remarks2 --qsl-issue",
         {"w.ZLO": J + record("2024/06/01 12:00", "JA1ABC", "1101M", memo="x")})
    case("qsl-and-modes", INI + " import zlog m.ZLO -o out.csv --qsl-issue=JA --mode-names A1A,J3E,F3E,A3E,F1B,Data",
         {"m.ZLO": J + b"".join(record("2024/06/01 12:0%d" % m, "JA1AB%c" % (65 + m), "1", mode=m) for m in range(7))})
    table = crlf(["# 静岡コンテストの市", "NU,1803,沼津市", "NU,,沼津市", ",1803,x", "NU,1803", "",
                  " SZ , 1803 ,静岡市,駿河区", "  # indented comment", "NU,9999,second NU is never used",
                  "XX,0101,北海道,札幌市"])
    case("code-table", INI + " import zlog tbl.ZLO -o out.csv --qth --db Hamlog.HDB --back-cut 1 "
         "--code-table shizuoka.TBL",
         dict(db, **{"shizuoka.TBL": table,
                     "tbl.ZLO": J + record("2024/06/01 12:00", "JA2AAA", "NUM") + record("2024/06/01 12:01", "JA2AAB", "SZM")
                     + record("2024/06/01 12:02", "JA2AAC", "XXM") + record("2024/06/01 12:03", "JA2AAD", "18M")
                     + record("2024/06/01 12:04", "JA2AAE", "QQM")}))
    case("code-table-comments-only", INI + " import zlog tbl.ZLO -o out.csv --qth --db Hamlog.HDB --code-table c.TBL",
         dict(db, **{"c.TBL": crlf(["# nothing", "#"]), "tbl.ZLO": J}), exit_code=1)
    case("qth-without-db", INI + " import zlog q.ZLO -o out.csv --qth", {"q.ZLO": J}, exit_code=1)
    case("name-lookup", INI + " import zlog names.ZLO -o out.csv --qra-from Hamlog.HDB --rcvnum-to none",
         dict(db, **{"names.ZLO": J + record("2024/06/01 12:00", "JA1ABC", "1")
                     + record("2024/06/01 12:01", "JA2ABC", "1") + record("2024/06/01 12:02", "7J1/JA1ABC", "1")
                     + record("2024/06/01 12:03", "JA1ABC/1", "1") + record("2024/06/01 12:04", "JA3XX/JA4YY", "1")
                     + record("2024/06/01 12:05", "JA9NONE", "1") + record("2024/06/01 12:06", "JA5AA", "1")}))
    zlox = (header(True, "6m AND DOWN", zlox_count=5)
            + record("2024/06/01 12:00", "JA1ABC", "1101M", mode=ZLOX_FT8, band=B7, zlox=True, freq="7025.0", qsl=1)
            + record("2024/06/01 12:01", "JA1ABD", "1101M", mode=ZLOX_FT4, band=B14, zlox=True, freq="14080", qsl=2)
            + record("2024/06/01 12:02", "W1AW", "5NN", mode=ZLOX_OTHER, band=B50, zlox=True, freq="50313.25")
            + record("2024/06/01 12:03", "JA1ABE", "1101M", mode=CW, band=B19, zlox=True, freq="1910.5")
            + record("2024/06/01 12:04", "JA1ABF", "1101M", mode=8, band=B430, zlox=True, freq=""))
    case("zlox-band", INI + " import zlog contest.dat -o out.csv --qsl-issue", {"contest.dat": zlox})
    case("zlox-exact", INI + " import zlog log.ZLOX -o out.csv --qsl-issue --freq exact --honour-no-qsl "
         "--mode-names CW,SSB,FM,AM,RTTY,Other,FT-4,FT-8 --contest-to remarks2",
         {"log.ZLOX": zlox + b"\x00" * 200})

    if "--expected" in sys.argv:
        golden = os.path.join(os.path.dirname(trelvo5), "trelvo5_golden")
        for name in sorted(os.listdir(CASES)):
            d = os.path.join(CASES, name)
            exp = os.path.join(d, "expected")
            shutil.rmtree(exp, ignore_errors=True)
            with tempfile.TemporaryDirectory() as work:
                for f in os.listdir(os.path.join(d, "input")):
                    shutil.copy(os.path.join(d, "input", f), work)
                with open(os.path.join(d, "cmd")) as f:
                    import shlex
                    args = shlex.split(f.read())
                p = subprocess.run([trelvo5] + args, cwd=work, capture_output=True)
                os.makedirs(exp)
                inputs = set(os.listdir(os.path.join(d, "input")))
                for f in os.listdir(work):
                    if f not in inputs:
                        shutil.copy(os.path.join(work, f), exp)
                for n, data in (("stdout", p.stdout), ("stderr", p.stderr)):
                    if data:
                        with open(os.path.join(exp, n), "wb") as f:
                            f.write(data.replace(work.encode(), b"{WORK}"))
                print(name, p.returncode)


if __name__ == "__main__":
    main()
