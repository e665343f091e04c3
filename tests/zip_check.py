#!/usr/bin/env python3
"""Our archives against independent readers (Python's zipfile, unzip -t); archives made by
zip -r and by Python's zipfile (ZIP64 forced) restored by us; and the memory and time a check
and a restore take on large and hostile archives. Usage: zip_check.py <pimbrel_zip_tool>"""
import os
import pathlib
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

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
            if info.filename != "pimbrel-backup.txt":
                got[os.path.normpath(info.filename)] = None if info.is_dir() else z.read(info)
        check(got == expected, archive + ": names and bytes")
    r = subprocess.run(["unzip", "-t", "-q", archive], capture_output=True)
    check(r.returncode == 0, archive + ": unzip -t " + r.stdout.decode(errors="replace"))


def restored(archive, program, old, want):
    write(program, dict(old, **{"set/run.ing.m": b"runing"}))
    r = subprocess.run([tool, "restore", program, archive], capture_output=True)
    check(r.returncode == 0, archive + ": restored " + (r.stdout + r.stderr).decode(errors="replace"))
    check(tree(program, skip={"set/run.ing.m"}) == want, archive + ": restored tree")


MB = 1 << 20
BUDGET = 64 * MB  # and the largest file of the archive


def measured(command, archive, budget):
    """The check or restore of `archive` under `budget` bytes: its output, status and seconds."""
    program = os.path.join(work, "measure")
    shutil.rmtree(program, ignore_errors=True)
    write(program, {"set/sets.conf": b"[SYS]\r\n", "set/run.ing.m": b"runing"})
    start = time.monotonic()
    r = subprocess.run([tool, command, program, archive, str(budget)], capture_output=True)
    took = time.monotonic() - start
    out = (r.stdout + r.stderr).decode(errors="replace")
    print("%s %s: %s" % (command, os.path.basename(archive), out.strip().replace("\n", "; ")))
    check(r.returncode != 3, archive + ": over the memory budget in " + command)
    return out, r.returncode, took


def bomb(path, content, claimed):
    """An archive whose second entry deflates `content` (level 0: it takes as many bytes) and
    claims `claimed` bytes with a wrong CRC."""
    c = zlib.compressobj(0, zlib.DEFLATED, -15)
    data = c.compress(content) + c.flush()
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("set/sets.conf", b"[SYS]\r\n")
    head = pathlib.Path(path).read_bytes()
    # A second entry, written by hand: zipfile would compress the zeros itself.
    start = head.index(b"PK\x01\x02")
    local = head[:start]
    central = head[start:head.index(b"PK\x05\x06")]
    name = b"note/n.1.xml"
    fields = struct.pack("<HHHIIIIHH", 20, 0, 8, 0x21, 0, len(data), claimed, len(name), 0)
    offset = len(local)
    local += b"PK\x03\x04" + fields + name + data
    central += b"PK\x01\x02" + struct.pack("<H", 20) + fields + struct.pack("<HHHII", 0, 0, 0, 0, offset) + name
    end = b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, 2, 2, len(central), len(local), 0)
    pathlib.Path(path).write_bytes(local + central + end)


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

    # Python's zipfile with ZIP64 records forced on every entry, restored by us.
    forced = os.path.join(work, "forced.zip")
    files = tree(data, skip={"readme.txt", "set/run.ing.m"})
    with zipfile.ZipFile(forced, "w", zipfile.ZIP_DEFLATED) as z:
        for name, content in sorted(files.items()):
            if content is None:
                z.writestr(name + "/", b"")
            else:
                with z.open(name, "w", force_zip64=True) as h:
                    h.write(content)
    restored(forced, os.path.join(work, "forced"), {}, files)

    # 3.8 MB that declare 3.9 GB, as much as deflate could pack in them: refused as damaged,
    # within the memory budget and at once, not after filling 3.9 GB.
    hostile = os.path.join(work, "bomb.zip")
    bomb(hostile, random.Random(4).randbytes(3_800_000), 3_900_000_000)
    out, status, took = measured("check", hostile, BUDGET)
    check(status == 1 and out.startswith("refused: 5 "), "bomb: refused for its data: " + out)
    check(took < 10, "bomb: checked in %.1f s" % took)

    # 200 MB of stored files, 2 MB each: checked and restored within 64 MB and one file.
    large = os.path.join(work, "large.zip")
    chunk = random.Random(3).randbytes(2 * MB)
    with zipfile.ZipFile(large, "w", zipfile.ZIP_STORED) as z:
        z.writestr("set/sets.conf", b"[SYS]\r\n")
        for i in range(100):
            z.writestr("note/n.%d.xml" % i, bytes([i]) + chunk[1:])
    for command in ("check", "restore"):
        out, status, took = measured(command, large, BUDGET + 2 * MB)
        check(status == 0, "large archive: " + command + " " + out)
finally:
    shutil.rmtree(work)

sys.exit(1 if failures else 0)
