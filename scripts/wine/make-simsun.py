#!/usr/bin/env python3
"""Makes a font whose family is both "SimSun" and "宋体" from a free Song face.

GDI+ under Wine finds a family only by the names in a real font file
(FontSubstitutes does not reach it), and the program draws its status line
and captions in 宋体. usage: make-simsun.py SOURCE.ttf OUT.ttf
"""
import sys

from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._n_a_m_e import NameRecord

src, out = sys.argv[1], sys.argv[2]
font = TTFont(src)
name = font["name"]
keep = [r for r in name.names if r.nameID not in (1, 2, 3, 4, 6, 16, 17)]
name.names = keep


def add(platform, encoding, lang, name_id, text):
    r = NameRecord()
    r.platformID, r.platEncID, r.langID, r.nameID = platform, encoding, lang, name_id
    r.string = text
    name.names.append(r)


for name_id, text in ((1, "SimSun"), (2, "Regular"), (3, "SimSun"), (4, "SimSun"), (6, "SimSun")):
    add(3, 1, 0x0409, name_id, text)
    add(1, 0, 0, name_id, text)
for name_id, text in ((1, "宋体"), (2, "Regular"), (4, "宋体")):
    add(3, 1, 0x0804, name_id, text)
font.save(out)
