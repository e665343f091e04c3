#!/usr/bin/env python3
"""The generated pinyin table against the Unihan file read here on its own: the syllables are
those of the file in sorted order, every code point's readings are those of the file, and the
readings people search for are there.
Usage: pinyin_check.py <pimbrel_pinyin_dump> <Unihan_Readings.txt.bz2>"""
import bz2
import re
import subprocess
import sys

FIELDS = {"kMandarin", "kHanyuPinyin", "kXHC1983", "kTGHZ2013"}
PLAIN = str.maketrans("āáǎàēéěèêếềīíǐìōóǒòūúǔùüǖǘǚǜḿńňǹ", "aaaaeeeeeeeiiiioooouuuuvvvvvmnnn",
                      "\u0300\u0301\u0304\u030c")
# Surnames, polyphonic characters, traditional forms, extensions A, B and G, interjections,
# compatibility ideographs (escaped: an editor's normalising would turn them into 礼 and 灰):
# each with readings it must have.
HAND = """王:wang 李:li 张:zhang 刘:liu 陈:chen 杨:yang 黄:huang 赵:zhao 吴:wu 周:zhou 徐:xu 孙:sun
曾:zeng,ceng 覃:qin,tan 吕:lv 行:xing,hang,heng 长:chang,zhang 重:zhong,chong 乐:le,yue
单:dan,shan,chan 朝:chao,zhao 差:cha,chai,ci 还:hai,huan 种:zhong,chong 绿:lv,lu 女:nv 略:lve
都:du,dou 着:zhe,zhao,zhuo 了:le,liao 和:he,huo,hu 的:de,di 地:di,de 得:de,dei 張:zhang 陳:chen
劉:liu 樂:le,yue 長:chang,zhang 綠:lv 龍:long 㐀:qiu 𠀀:he 𪚥:zhe 𰻝:biang 嗯:n,ng 呣:m 哼:heng,hng
欸:ai,e,ei 噷:hm \uFA18:li \U0002F835:hui"""

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED:", what)


source = {}
with bz2.open(sys.argv[2], "rt", encoding="utf-8") as f:
    for line in f:
        parts = line.rstrip("\n").split("\t")
        if len(parts) == 3 and parts[1] in FIELDS:
            # Everything but locations ("10001.030", "1510.010*") and separators is a reading.
            words = re.findall(r"[^\s\d.*,:]+", parts[2])
            code = int(parts[0][2:], 16)
            source.setdefault(code, set()).update(w.translate(PLAIN) for w in words)

dump = subprocess.run([sys.argv[1]], capture_output=True, text=True, check=True)
lines = dump.stdout.splitlines()
used = sorted({s for r in source.values() for s in r})
check(lines[0].split()[1:] == used, "ids are not the sorted syllables of the file: " + lines[0])
table = {}
for line in lines[1:]:
    code, *syllables = line.split()
    table[int(code, 16)] = syllables
    check(len(set(syllables)) == len(syllables), "a syllable twice: " + line)

wrong = [c for c in sorted(source.keys() | table.keys()) if set(table.get(c, ())) != source.get(c)]
check(not wrong, "%d code points differ, first %s" % (
    len(wrong), ["U+%04X %s / %s" % (c, table.get(c), source.get(c)) for c in wrong[:5]]))
for char, readings in re.findall(r"(\S):([a-z,]+)", HAND):
    check(set(readings.split(",")) <= set(table.get(ord(char), ())),
          "%s has %s, not all of %s" % (char, table.get(ord(char)), readings))

print("%d code points, %d syllables; %d failures" % (len(table), len(used), len(failures)))
sys.exit(1 if failures else 0)
