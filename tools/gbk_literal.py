#!/usr/bin/env python3
"""Prints a C++ string literal holding the GBK bytes of a text, with the text as a comment.

The program keeps its texts as GBK bytes; sources stay UTF-8, so such texts are written as
hex escapes. Usage: tools/gbk_literal.py "资料卡"
"""
import sys


def literal(text: str) -> str:
    out, hex_before = [], False
    for byte in text.encode("gbk"):
        ch = chr(byte)
        if byte >= 0x80 or byte < 0x20 or ch in '"\\':
            escapes = {0x0A: "\\n", 0x0D: "\\r", 0x09: "\\t", 0x22: '\\"', 0x5C: "\\\\"}
            out.append(escapes.get(byte, "\\x%02X" % byte))
            hex_before = byte not in escapes
        else:
            # A hex escape would swallow a following hex digit: close the literal first.
            if hex_before and ch in "0123456789abcdefABCDEF":
                out.append('" "')
            out.append(ch)
            hex_before = False
    return '"%s" /* %s */' % ("".join(out), text.replace("*/", "* /").replace("\n", "\\n"))


if __name__ == "__main__":
    for arg in sys.argv[1:]:
        print(literal(arg))
