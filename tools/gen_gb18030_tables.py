#!/usr/bin/env python3
"""Writes src/base/gb18030_tables.inc, the tables of the program's byte text.

One- and two-byte codes come from Wine's code page 936 table (c_936.nls), the conversion the
program has always used, so stored files keep their meaning. Characters that table lacks get
their GB18030 form from glibc's iconv: the four-byte ranges of the Basic Multilingual Plane,
and the two-byte codes that code page 936 gives to private-use characters where GB18030 has a
standard one. The supplementary planes are linear and need no table.

Usage: tools/gen_gb18030_tables.py [c_936.nls] [output]
Run it again only to check: the committed output must not depend on the glibc at hand.
"""
import ctypes
import ctypes.util
import struct
import sys

NLS = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/wine/nls/c_936.nls"
OUT = sys.argv[2] if len(sys.argv) > 2 else "src/base/gb18030_tables.inc"

TRAILS = [t for t in range(0x40, 0xFF) if t != 0x7F]
TRAIL_SPAN = 0xFF - 0x40  # 191 slots per lead byte, 0x7F left empty
FOUR_BYTE_BMP = 39420  # 81 30 81 30 .. 84 31 A4 39


def is_private(u):
    return 0xE000 <= u <= 0xF8FF


def read_nls(path):
    """Wine's code page table: a header of 16-bit words, then the multi-byte table of 256
    words, a glyph table (when its count is not 0), the DBCS flag, 256 lead-byte offsets into
    the tables that follow (in words, from the start of the offset array), then the table
    from UTF-16, which starts `header[13]` words after word 13."""
    data = open(path, "rb").read()
    w = struct.unpack("<%dH" % (len(data) // 2), data)
    header_words, codepage, max_size, default_char = w[0], w[1], w[2], w[3]
    assert codepage == 936 and max_size == 2, (codepage, max_size)
    lead_ranges = [(w[i] & 0xFF, w[i] >> 8) for i in range(7, 13) if w[i]]
    single = w[header_words + 1 : header_words + 1 + 256]
    p = header_words + 1 + 256
    glyphs = w[p]
    p += 1 + (256 if glyphs else 0)
    assert w[p] != 0, "not a double-byte table"
    p += 1
    offsets = w[p : p + 256]
    leads = [b for lo, hi in lead_ranges for b in range(lo, hi + 1)]
    two = {}
    for lead in leads:
        for trail in TRAILS:
            u = w[p + offsets[lead] + trail]
            if u != default_char:
                two[(lead << 8) | trail] = u
    one = {b: single[b] for b in range(256) if b not in leads}
    return one, two, set(leads)


class Iconv:
    def __init__(self):
        libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        libc.iconv_open.restype = ctypes.c_void_p
        libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        libc.iconv.restype = ctypes.c_size_t
        libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.c_void_p] * 4
        self.libc = libc
        self.dec = libc.iconv_open(b"UTF-32LE", b"GB18030")
        self.enc = libc.iconv_open(b"GB18030", b"UTF-32LE")
        assert self.dec not in (None, ctypes.c_void_p(-1).value)

    def _run(self, cd, data):
        self.libc.iconv(cd, None, None, None, None)
        src = ctypes.create_string_buffer(data, len(data))
        out = ctypes.create_string_buffer(64)
        ps, pd = ctypes.c_char_p(ctypes.addressof(src)), ctypes.c_char_p(ctypes.addressof(out))
        ns, nd = ctypes.c_size_t(len(data)), ctypes.c_size_t(64)
        ps_ = ctypes.cast(ctypes.pointer(ps), ctypes.c_void_p)
        pd_ = ctypes.cast(ctypes.pointer(pd), ctypes.c_void_p)
        rc = self.libc.iconv(cd, ps_, ctypes.byref(ns), pd_, ctypes.byref(nd))
        if rc == ctypes.c_size_t(-1).value or ns.value:
            return None
        return out.raw[: 64 - nd.value]

    def decode(self, data):
        r = self._run(self.dec, data)
        return None if not r or len(r) != 4 else struct.unpack("<I", r)[0]

    def encode(self, u):
        return self._run(self.enc, struct.pack("<I", u))


def four_bytes(linear):
    b4 = linear % 10
    linear //= 10
    b3 = linear % 126
    linear //= 126
    return bytes([0x81 + linear // 10, 0x30 + linear % 10, 0x81 + b3, 0x30 + b4])


def main():
    one, two, leads = read_nls(NLS)
    conv = Iconv()
    covered = set(one.values()) | set(two.values())
    assert len(covered) == len(one) + len(two), "code page 936 maps two codes to one character"

    # Private-use two-byte codes that GB18030 gives a standard character.
    standard = {}
    for code, u in sorted(two.items()):
        if not is_private(u):
            continue
        g = conv.decode(bytes([code >> 8, code & 0xFF]))
        if g is not None and g <= 0xFFFF and not is_private(g) and g not in covered:
            standard[code] = g
    # Where iconv gives the displaced private-use character no code, it takes the four-byte
    # code its standard character had before moving to two bytes (as GB18030-2022 swaps them).
    swapped = {}
    for code, g in standard.items():
        if conv.encode(two[code]) is None:
            swapped[g] = two[code]
        two[code] = g
    covered = set(one.values()) | set(two.values())
    assert len(covered) == len(one) + len(two)

    # Four-byte ranges of the BMP, from iconv in both directions.
    ranges = []  # [linear, unicode, count]
    next_in_order = None
    for linear in range(FOUR_BYTE_BMP):
        u = conv.decode(four_bytes(linear))
        # A code iconv no longer reads held the character after its neighbour's, as four-byte
        # codes follow Unicode order.
        u = next_in_order if u is None and next_in_order in swapped else u
        next_in_order = None if u is None else u + 1
        if u in swapped:
            u = swapped.pop(u)
        elif u is None or u in covered:
            continue
        else:
            assert u <= 0xFFFF and conv.encode(u) == four_bytes(linear), hex(u)
        assert u not in covered
        last = ranges[-1] if ranges else None
        if last and last[0] + last[2] == linear and last[1] + last[2] == u:
            last[2] += 1
        else:
            ranges.append([linear, u, 1])
    assert not swapped, "no four-byte code to swap for %s" % swapped
    in_ranges = sum(r[2] for r in ranges)
    missing = [u for u in range(0x10000) if not 0xD800 <= u <= 0xDFFF and u not in covered
               and not any(r[1] <= u < r[1] + r[2] for r in ranges)]
    assert not missing, "characters without a code: %s" % [hex(u) for u in missing[:10]]
    assert conv.encode(0x10000) == bytes([0x90, 0x30, 0x81, 0x30])
    assert conv.encode(0x10FFFF) == bytes([0xE3, 0x32, 0x9A, 0x35])

    out = []
    out.append("// Generated by tools/gen_gb18030_tables.py; do not edit.")
    out.append("// One- and two-byte codes: Wine's code page 936 table; %d private-use two-byte codes"
               % len(standard))
    out.append("// read as GB18030's standard characters; %d BMP characters in %d four-byte ranges"
               % (in_ranges, len(ranges)))
    out.append("// from glibc iconv GB18030.")
    out.append("")
    out.append("// Bytes 0x80..0xFF that stand alone (0 where the byte opens a two-byte code).")
    row = [0 if b in leads else one.get(b, 0) for b in range(0x80, 0x100)]
    out.append("constexpr char16_t kSingleHigh[128] = {")
    for i in range(0, 128, 12):
        out.append("    " + " ".join("0x%04X," % v for v in row[i : i + 12]))
    out.append("};")
    out.append("")
    out.append("// Two-byte codes: lead 0x81..0xFE, trail 0x40..0xFE, 191 per lead (0 = none).")
    out.append("constexpr char16_t kTwoByte[126 * %d] = {" % TRAIL_SPAN)
    for lead in range(0x81, 0xFF):
        vals = [two.get((lead << 8) | t, 0) for t in range(0x40, 0xFF)]
        for i in range(0, TRAIL_SPAN, 12):
            out.append("    " + " ".join("0x%04X," % v for v in vals[i : i + 12]))
    out.append("};")
    out.append("")
    out.append("// Four-byte BMP ranges: first linear index, first character, length.")
    out.append("constexpr FourByteRange kFourByteRanges[%d] = {" % len(ranges))
    for i in range(0, len(ranges), 4):
        out.append("    " + " ".join("{%d, 0x%04X, %d}," % tuple(r) for r in ranges[i : i + 4]))
    out.append("};")
    with open(OUT, "w", newline="\n") as f:
        f.write("\n".join(out) + "\n")
    print("%s: %d standard two-byte codes, %d ranges, %d four-byte BMP characters"
          % (OUT, len(standard), len(ranges), in_ranges))


if __name__ == "__main__":
    main()
