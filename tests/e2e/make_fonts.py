#!/usr/bin/python3
"""Makes fonts with family names of our own from a Debian font, for tests
that must install fonts Wine does not already know. A NAME of the form
"English=中文" also gets the Chinese family name in Windows PRC records,
which a Chinese Windows shows as the face name. A NAME followed by "|TEXT"
loses the source's copyright and licence records (name IDs 0, 13, 14) and
gets TEXT as its licence description; "|" alone leaves it none.
usage: make_fonts.py SOURCE.ttf OUTDIR NAME [NAME ...]  -> OUTDIR/<i>.ttf
"""
import os
import sys

from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._n_a_m_e import NameRecord

src, out, names = sys.argv[1], sys.argv[2], sys.argv[3:]
os.makedirs(out, exist_ok=True)
for i, name in enumerate(names):
    name, bar, licence = name.partition("|")
    family, _, chinese = name.partition("=")
    font = TTFont(src)
    table = font["name"]
    if bar:
        table.names = [r for r in table.names if r.nameID not in (0, 13, 14)]
        if licence:
            r = NameRecord()
            r.platformID, r.platEncID, r.langID, r.nameID = 3, 1, 0x0409, 13
            r.string = licence
            table.names.append(r)
    for record in table.names:
        if record.nameID in (1, 4, 16):
            record.string = family
        elif record.nameID in (3, 6):
            record.string = family.replace(" ", "") + "-Regular"
    if chinese:
        for name_id in (1, 4):
            r = NameRecord()
            r.platformID, r.platEncID, r.langID, r.nameID = 3, 1, 0x0804, name_id
            r.string = chinese
            table.names.append(r)
    font.save(os.path.join(out, "%02d.ttf" % i))
