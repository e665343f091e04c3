#!/usr/bin/env python3
"""Our vCard files against an independent reader, Python's vobject (Debian python3-vobject):
every field of generated contacts, text beyond GBK included, must read back equal.
Usage: vcard_check.py <pimbrel_vcard_tool>"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

import vobject

tool = sys.argv[1]
work = tempfile.mkdtemp()
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED:", what)


def birthday(want):
    """The BDAY and the extra year property a contact's birthday must give."""
    year, month, day = want["year"], want["month"], want["day"]
    full = len(year) == 4 and year.isdigit()
    m = "%02d" % (month + 1) if 0 <= month < 12 else ""
    d = "%02d" % (day + 1) if 0 <= day < 31 else ""
    if m and d:
        date = year + "-" + m + "-" + d if full else "--" + m + d
    elif m:
        date = year + "-" + m if full else "--" + m
    elif d:
        date, full = "---" + d, False
    else:
        date = year if full else ""
    return date, (year if year and not full else "")


def fields(card):
    """What vobject reads, by our field names."""
    got = {}
    for line in card.lines():
        name = line.name.upper()
        types, value = {t.upper() for t in line.params.get("TYPE", [])}, line.value
        if name == "TEL":
            for t, key in (("WORK", "office"), ("HOME", "home"), ("CELL", "handset"), ("PAGER", "pager")):
                if t in types:
                    got[key] = value
        elif name == "EMAIL":
            got["email" if "PREF" in types else "email2"] = value
        elif name == "URL":
            got["companyweb" if "WORK" in types else "homepage"] = value
        elif name == "ADR":
            got["address"], got["postnumber"] = value.street, value.code
        elif name == "CATEGORIES":
            got[name] = ",".join(value)  # a list of names
        elif name in ("FN", "NOTE", "BDAY", "X-QQ", "X-ICQ", "X-GENDER", "X-PIMBREL-BIRTH-YEAR"):
            got[name] = value
    return got


try:
    vcf, expected = os.path.join(work, "out.vcf"), os.path.join(work, "out.json")
    check(subprocess.run([tool, vcf, expected, "300"]).returncode == 0, "the tool ran")
    data = open(vcf, "rb").read()
    wants = json.load(open(expected, encoding="utf-8"))
    lines = data.split(b"\r\n")
    check(lines[-1] == b"" and all(b"\n" not in line and b"\r" not in line for line in lines),
          "CR LF ends every line")
    check(all(len(line) <= 75 for line in lines), "no line beyond 75 octets")
    cards = list(vobject.readComponents(data.decode("utf-8")))
    check(len(cards) == len(wants), "%d cards for %d contacts" % (len(cards), len(wants)))
    for i, (card, want) in enumerate(zip(cards, wants)):
        got = fields(card)
        date, extraYear = birthday(want)
        expect = {key: want[key] for key in ("office", "home", "handset", "pager", "email", "email2",
                                             "companyweb", "homepage", "address", "postnumber")}
        expect.update({"FN": want["name"], "X-GENDER": "Male" if want["sex"] else "Female",
                       "NOTE": want["note"].replace("\r\n", "\n"), "BDAY": date,
                       "X-PIMBREL-BIRTH-YEAR": extraYear, "CATEGORIES": want["category"],
                       "X-QQ": want["qq"], "X-ICQ": want["icq"]})
        for key, value in expect.items():
            check(got.get(key, "") == value, "contact %d %s: %r, not %r" % (i, key, got.get(key), value))
finally:
    shutil.rmtree(work)

print("vcard check: %d failures" % len(failures))
sys.exit(1 if failures else 0)
