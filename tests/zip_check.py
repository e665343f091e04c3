#!/usr/bin/env python3
"""Our archives against independent readers (Python's zipfile, unzip -t), and an archive
made by zip -r restored by us. Usage: zip_check.py <pimbrel_zip_tool>"""
import os
import pathlib
import random
import shutil
import subprocess
import sys
import tempfile
import zipfile

tool = sys.argv[1]
work = tempfile.mkdtemp()
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED:", what)


def tree(root, skip=()):  # the daily and safety copies left out
    paths = ((str(p.relative_to(root)), p) for p in pathlib.Path(root).rglob("*"))
    return {name: p.read_bytes() if p.is_file() else None for name, p in paths
            if name not in skip and not name.startswith("backup")}


def write(root, files):
    for name, data in files.items():
        os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
        with open(os.path.join(root, name), "wb") as h:
            h.write(data)


def readers_agree(archive, expected):
    with zipfile.ZipFile(archive) as z:
        check(z.testzip() is None, archive + ": testzip")
        got = {}
        for info in z.infolist():
            check(info.flag_bits & 0x800, archive + ": UTF-8 flag on " + info.filename)
            if info.filename == "pimbrel-backup.txt":
                continue
            name = os.path.normpath(info.filename)
            got[name] = None if info.is_dir() else z.read(info)
        check(got == expected, archive + ": names and bytes")
    r = subprocess.run(["unzip", "-t", "-q", archive], capture_output=True)
    check(r.returncode == 0, archive + ": unzip -t " + r.stdout.decode(errors="replace"))


def restored(archive, program, old, want):
    write(program, dict(old, **{"set/run.ing.m": b"runing"}))
    r = subprocess.run([tool, "restore", program, archive], capture_output=True)
    check(r.returncode == 0, archive + ": restored " + r.stderr.decode(errors="replace"))
    check(tree(program, skip={"set/run.ing.m"}) == want, archive + ": restored tree")


try:
    data = os.path.join(work, "data")
    write(data, {
        "set/sets.conf": b"[SYS]\r\nhotkey=583\r\n",
        "set/run.ing.m": b"runing",
        "note/n.0.xml": "<note>\u5927\u5bb6\u597d</note>".encode("gbk") * 50,
        "communication/com.0.xml": b"contact",
        "datum/\u672a\u5206\u7c7b/\u8d44\u6599\u53611.datum.1.xml": random.Random(5).randbytes(4000),
        "xmlstyle/kwix_xml_1.0/02_2003_datum01.dtd": b"<!ELEMENT datum ANY>",
    })
    os.makedirs(os.path.join(data, "datum", "\u7a7a"))
    ours = os.path.join(work, "ours.zip")
    check(subprocess.run([tool, "backup", data, ours]).returncode == 0, "backup made")
    readers_agree(ours, tree(data, skip={"set/run.ing.m"}))

    # ZIP64 fields, forced by low thresholds, read by them and by our restore.
    zip64 = os.path.join(work, "zip64.zip")
    check(subprocess.run([tool, "zip64", work, zip64]).returncode == 0, "ZIP64 made")
    z64 = {"set": None, "set/sets.conf": b"[SYS]\r\nhotkey=583\r\n",
           "note/\u4e03.xml": b"q" * 70000}
    readers_agree(zip64, z64)
    restored(zip64, os.path.join(work, "z64"), {},
             dict(z64, note=None, communication=None, datum=None, xmlstyle=None))

    # The data folder zipped by hand, with a stray file, restored into another program folder.
    write(data, {"readme.txt": b"mine"})
    hand = os.path.join(work, "hand.zip")
    subprocess.run(["zip", "-r", "-q", hand, "data"], cwd=work, check=True)
    restored(hand, os.path.join(work, "program"), {"note/n.9.xml": b"goes away"},
             tree(data, skip={"readme.txt", "set/run.ing.m"}))
finally:
    shutil.rmtree(work)

sys.exit(1 if failures else 0)
