#!/usr/bin/env python3
"""The other side of coverage_cross_check_test.cpp: counts the GB2312 and the
common hanzi each font maps to a glyph other than .notdef, with fontTools
(Debian package python3-fonttools), for the first face of a collection.

The two sets are read from the C++ source that holds them; fontTools picks
the Unicode subtable in Windows' order and decodes it.

usage: hanzi_coverage_oracle.py HANZI_SETS_INC FONT...
prints one line per font, in order: GB2312-COUNT COMMON-COUNT
"""
import re
import sys

from fontTools.ttLib import TTFont

WINDOWS_ORDER = ((3, 10), (3, 1), (0, 4), (0, 3), (0, 2), (0, 1), (0, 0))
SIZES = {"kGb2312Hanzi": 6763, "kCommonHanzi": 3500}


def read_sets(path):
    text = open(path, encoding="ascii").read()
    sets = {}
    for name, body in re.findall(r"constexpr uint16_t (\w+)\[\] = \{(.*?)\};", text, re.S):
        sets[name] = {int(v, 16) for v in re.findall(r"0x[0-9A-Fa-f]+", body)}
    for name, size in SIZES.items():
        if len(sets.get(name, ())) != size:
            sys.exit("%s: %s does not hold %d characters" % (path, name, size))
    return sets["kGb2312Hanzi"], sets["kCommonHanzi"]


def main():
    gb2312, common = read_sets(sys.argv[1])
    for path in sys.argv[2:]:
        font = TTFont(path, fontNumber=0, lazy=True)
        cmap = font["cmap"].getBestCmap(cmapPreferences=WINDOWS_ORDER) or {}
        notdef = font.getGlyphOrder()[0]
        mapped = {c for c, glyph in cmap.items() if glyph != notdef}
        print(len(mapped & gb2312), len(mapped & common))
        font.close()


if __name__ == "__main__":
    main()
