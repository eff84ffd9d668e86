#!/usr/bin/env python3
"""help_width.py TRELVO5: the --help of every command, in Japanese and in English, fits 80
columns (a wide character takes two), starts with its usage, lists the exit statuses and, in
Japanese, says no sentence of English of our own."""
import os
import re
import subprocess
import sys
import unicodedata

program = sys.argv[1]
commands = ["", "import", "import adif", "import digipan", "import zlog", "import jap1", "db",
            "db info", "db dump", "db modes", "db create", "export", "export adif", "export adx",
            "export csv", "export csv5", "export backup", "settings"]
failures = []
for lang, usage, status in (("ja", "使い方:", "終了コード:"), ("en", "Usage:", "Exit status:")):
    env = dict(os.environ, LANG=("ja_JP.UTF-8" if lang == "ja" else "C"))
    env.pop("LC_ALL", None)
    env.pop("LC_MESSAGES", None)
    for command in commands:
        for ask in (["--help"], ["-?"], ["/?"]) if command == "" else (["--help"],):
            args = [program] + command.split() + ask
            out = subprocess.run(args, env=env, capture_output=True, text=True, encoding="utf-8")
            where = f"{lang}: trelvo5 {command} {ask[0]}"
            if out.returncode != 0:
                failures.append(f"{where}: exit status {out.returncode}")
                continue
            text = out.stdout
            if not text.startswith(usage):
                failures.append(f"{where}: does not start with {usage!r}")
            if status not in text:
                failures.append(f"{where}: no {status!r}")
            for line in text.splitlines():
                width = sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in line)
                if width > 80:
                    failures.append(f"{where}: {width} columns: {line}")
                # English prose: three words of letters in a row, outside example commands.
                if lang == "ja" and not line.lstrip().startswith("trelvo5") and \
                        re.search(r"[A-Za-z]{3,} [a-z]{3,} [a-z]{3,}", line):
                    failures.append(f"{where}: English: {line}")
for f in failures:
    print(f)
sys.exit(1 if failures else 0)
