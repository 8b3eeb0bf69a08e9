#!/usr/bin/python3
"""Makes the uniquely named fonts the font tests install, list and draw.

Wine keeps a removed or privately added face visible to other processes of
the same session, so every test font carries a family name nothing else on
the machine has. Latin faces are renamed copies of DejaVu fonts; the faces
with Chinese names are cut down from a GB2312 Song face (ASCII and the
characters of their own names), so each can draw its own name.

usage: make_test_fonts.py OUT_DIR            the test fonts (see FONTS below)
       make_test_fonts.py --bench N OUT_DIR [STEM]  N tiny fonts BenchFace00001.ttf
                                             ... (or STEM00001.ttf ...) with
                                             distinct family names
Runs with Debian's python3-fonttools (/usr/bin/python3).
"""
import logging
import os
import sys

from fontTools import subset
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTCollection, TTFont
from fontTools.ttLib.tables._n_a_m_e import NameRecord

DEJAVU = "/usr/share/fonts/truetype/dejavu/"
SONG = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf"
WIN_ENGLISH, WIN_PRC = 0x0409, 0x0804
NAME_IDS = (1, 2, 3, 4, 6, 16, 17, 18, 21, 22)
# The Song face has a table fontTools cannot subset and one byte of padding too many.
logging.getLogger("fontTools").setLevel(logging.ERROR)


def rename(font, english, chinese=None):
    """Gives the font the family `english` (Windows US English and Mac Roman
    records) and, when given, `chinese` (Windows PRC records)."""
    name = font["name"]
    name.names = [r for r in name.names if r.nameID not in NAME_IDS]

    def add(platform, encoding, lang, name_id, text):
        r = NameRecord()
        r.platformID, r.platEncID, r.langID, r.nameID = platform, encoding, lang, name_id
        r.string = text
        name.names.append(r)

    ps = "".join(c for c in english if c.isascii() and c.isalnum()) or "Probe"
    for name_id, text in ((1, english), (2, "Regular"), (3, ps), (4, english), (6, ps)):
        add(3, 1, WIN_ENGLISH, name_id, text)
        if all(ord(c) < 128 for c in text):
            add(1, 0, 0, name_id, text)
    if chinese:
        for name_id, text in ((1, chinese), (2, "Regular"), (4, chinese)):
            add(3, 1, WIN_PRC, name_id, text)
    if "CFF " in font:
        font["CFF "].cff.fontNames = [ps]
    return font


def latin(source, english, chinese=None):
    return rename(TTFont(DEJAVU + source), english, chinese)


def song(english, chinese):
    """A small Song face that holds ASCII and the characters of its names."""
    font = TTFont(SONG)
    options = subset.Options()
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.layout_features = []
    sub = subset.Subsetter(options)
    text = "".join(chr(c) for c in range(0x20, 0x7F)) + chinese + english + "探针体宋黑竖排宽标"
    sub.populate(text=text)
    sub.subset(font)
    return rename(font, english, chinese)


def box_font(english, chinese=None, cff=False):
    """A tiny font built from scratch: a box for every ASCII letter and digit."""
    chars = [c for c in range(0x30, 0x7B) if chr(c).isalnum()]
    order = [".notdef"] + ["g%02X" % c for c in chars]
    fb = FontBuilder(1000, isTTF=not cff)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({c: "g%02X" % c for c in chars})

    def draw(pen, width):
        pen.moveTo((80, 0))
        pen.lineTo((80, 700))
        pen.lineTo((width - 80, 700))
        pen.lineTo((width - 80, 0))
        pen.closePath()

    if cff:
        strings = {}
        for g in order:
            pen = T2CharStringPen(600, None)
            draw(pen, 600)
            strings[g] = pen.getCharString()
        ps = "".join(c for c in english if c.isalnum())
        fb.setupCFF(ps, {"FullName": english}, strings, {})
    else:
        glyphs = {}
        for g in order:
            pen = TTGlyphPen(None)
            draw(pen, 600)
            glyphs[g] = pen.glyph()
        fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({g: (600, 80) for g in order})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({"familyName": english, "styleName": "Regular"})
    fb.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    fb.setupPost()
    return rename(fb.font, english, chinese)


# file name -> maker. Face names as a Chinese Windows reads them (the PRC
# family name when there is one) are in FACES, which the tests repeat.
FONTS = {
    "ProbeSans.ttf": lambda: latin("DejaVuSans.ttf", "ProbeSans"),
    "ProbeHei.ttf": lambda: song("ProbeHei", "探针黑体"),
    "Probe Sans Wide.ttf": lambda: latin("DejaVuSansCondensed.ttf", "Probe Sans Wide"),
    "ProbeFullWidth.ttf": lambda: song("ProbeFullWidth", "探针　宽体"),
    "ProbeCff.otf": lambda: box_font("ProbeCff", cff=True),
    "ProbeSong.ttf": lambda: song("ProbeSong", "探针宋体"),
    "ProbeVertical.ttf": lambda: song("ProbeVertical", "@探针竖排"),
    "ProbeUnderscore.ttf": lambda: box_font("_ProbeUnderscore"),
    "ProbeTwo.ttf": lambda: box_font("2ProbeTwo"),
    "ProbeZero.ttf": lambda: box_font("0ProbeZero"),
    "ProbeLast.ttf": lambda: box_font("ZProbeLast"),
    "ProbeLate.ttf": lambda: box_font("ProbeLate"),
    # ProbeMark, and fonts that claim its faces: another font of its Chinese
    # face, one under its English name only, and a newer version of itself.
    "ProbeMark.ttf": lambda: song("ProbeMark", "探针标体"),
    "ProbeMarkImpostor.ttf": lambda: song("ProbeImpostor", "探针标体"),
    "ProbeMarkAlias.ttf": lambda: latin("DejaVuSans.ttf", "ProbeMark"),
    "ProbeMarkNewer.ttf": lambda: newer(song("ProbeMark", "探针标体")),
}


def newer(font):
    """The same font as a later version: other bytes, the same names."""
    font["head"].fontRevision = font["head"].fontRevision + 1
    return font


def write_name_only(path, english):
    """A file whose only table is `name`: the face name can be read, but GDI
    has nothing to draw with and refuses to load it."""
    import struct
    font = latin("DejaVuSans.ttf", english)
    name = font["name"].compile(font)
    header = struct.pack(">IHHHH", 0x00010000, 1, 16, 0, 0)
    entry = struct.pack(">4sIII", b"name", 0, 12 + 16, len(name))
    with open(path, "wb") as f:
        f.write(header + entry + name)


def write_collection(path):
    faces = [latin("DejaVuSerif.ttf", "ProbePairA"), latin("DejaVuSansMono.ttf", "ProbePairB")]
    collection = TTCollection()
    collection.fonts = faces
    collection.save(path)


def main(argv):
    if len(argv) in (4, 5) and argv[1] == "--bench":
        count, out = int(argv[2]), argv[3]
        stem = argv[4] if len(argv) == 5 else "BenchFace"
        os.makedirs(out, exist_ok=True)
        template = os.path.join(out, "template.ttf")
        box_font(stem).save(template)
        for i in range(1, count + 1):
            font = TTFont(template)
            rename(font, "%s%05d" % (stem, i)).save(os.path.join(out, "%s%05d.ttf" % (stem, i)))
        os.remove(template)
        return 0
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    for file_name, make in FONTS.items():
        make().save(os.path.join(out, file_name))
    write_collection(os.path.join(out, "ProbePair.ttc"))
    write_name_only(os.path.join(out, "ProbeNameOnly.ttf"), "ProbeNameOnly")
    with open(os.path.join(out, "NotAFont.ttf"), "wb") as f:
        f.write(b"This is a text file with a font's name, not a font.\r\n" * 40)
    # The stamp tells the build the whole set is there.
    with open(os.path.join(out, "fonts.stamp"), "w") as f:
        f.write("\n".join(sorted(list(FONTS) + ["ProbePair.ttc", "ProbeNameOnly.ttf",
                                                 "NotAFont.ttf"])) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
