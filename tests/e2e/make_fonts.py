#!/usr/bin/python3
"""Makes fonts with family names of our own from a Debian font, for tests
that must install fonts Wine does not already know.
usage: make_fonts.py SOURCE.ttf OUTDIR NAME [NAME ...]  -> OUTDIR/<i>.ttf
"""
import os
import sys

from fontTools.ttLib import TTFont

src, out, names = sys.argv[1], sys.argv[2], sys.argv[3:]
os.makedirs(out, exist_ok=True)
for i, family in enumerate(names):
    font = TTFont(src)
    table = font["name"]
    for record in table.names:
        if record.nameID in (1, 4, 16):
            record.string = family
        elif record.nameID in (3, 6):
            record.string = family.replace(" ", "") + "-Regular"
    font.save(os.path.join(out, "%02d.ttf" % i))
