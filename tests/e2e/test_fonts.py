"""The system font page: installed fonts two per row, the three orders, 刷新."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import driver

ARGS = driver.parse_args()
HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_FONTS = os.path.join(HERE, "..", "win", "fonts", "make_test_fonts.py")
FONTS_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts"
GRID = "系统字体表格"
SYSTEM_TAB = (9 + 76 + 38, 55)
FONTS_DIR = None

# value name -> (file in the Fonts folder, test font it is copied from, face name)
REGISTERED = {
    "ProbeSans (TrueType)": ("ProbeSans.ttf", "ProbeSans.ttf", "ProbeSans"),
    "探针黑体 (TrueType)": ("ProbeHei.ttf", "ProbeHei.ttf", "探针黑体"),
    "ProbeSansWide (TrueType)": ("ProbeSansWide.ttf", "Probe Sans Wide.ttf", "Probe Sans Wide"),
    "探针宋体 (TrueType)": ("ProbeSong.ttf", "ProbeSong.ttf", "探针宋体"),
    "@探针竖排 (TrueType)": ("ProbeVertical.ttf", "ProbeVertical.ttf", "@探针竖排"),
    "_ProbeUnderscore (TrueType)": ("ProbeUnderscore.ttf", "ProbeUnderscore.ttf", "_ProbeUnderscore"),
    "2ProbeTwo (TrueType)": ("ProbeTwo.ttf", "ProbeTwo.ttf", "2ProbeTwo"),
    "0ProbeZero (TrueType)": ("ProbeZero.ttf", "ProbeZero.ttf", "0ProbeZero"),
    "ZProbeLast (TrueType)": ("ProbeLast.ttf", "ProbeLast.ttf", "ZProbeLast"),
    "ProbeCff (TrueType)": ("ProbeCff.otf", "ProbeCff.otf", "ProbeCff"),
    "ProbePairA (TrueType)": ("ProbePair.ttc", "ProbePair.ttc", "ProbePairA"),
    "宋体 (TrueType)": ("simsun.ttf", None, "宋体"),
}
# Install days for the newest-first order (day of January 2020), all distinct.
DAYS = {"ProbeCff.otf": 28, "ProbeHei.ttf": 27, "ProbeZero.ttf": 26, "ProbeVertical.ttf": 25,
        "ProbeSans.ttf": 24, "simsun.ttf": 23, "ProbeLast.ttf": 22, "ProbeSong.ttf": 21,
        "ProbeTwo.ttf": 20, "ProbePair.ttc": 19, "ProbeUnderscore.ttf": 18,
        "ProbeSansWide.ttf": 17, "ProbeLate.ttf": 29}
# First letters of the Chinese names above, by their pinyin.
PINYIN_INITIAL = {"宋": "S", "探": "T"}
DIGIT_LETTER = dict(zip("1234567890", "YESSWLQBJS"))


def setUpModule():
    global FONTS_DIR
    FONTS_DIR = tempfile.mkdtemp(prefix="yq-test-fonts-")
    subprocess.run(["/usr/bin/python3", MAKE_FONTS, FONTS_DIR], check=True)


def tearDownModule():
    shutil.rmtree(FONTS_DIR, ignore_errors=True)


def is_chinese(face):
    b = face.encode("gbk")
    if len(b) < 2:
        return False
    b1, b2 = b[0], b[1]
    return ((0x81 <= b1 <= 0xA0 and 0x40 <= b2 <= 0xFE) or (0xAA <= b1 <= 0xFE and 0x40 <= b2 <= 0xA0)
            or (0xB0 <= b1 <= 0xF7 and 0xA1 <= b2 <= 0xFE))


def initial_key(face):
    if face.startswith("@"):
        return 255
    c = face[0]
    if ord(c) >= 0x80:
        c = PINYIN_INITIAL[c]
    c = DIGIT_LETTER.get(c.upper(), c.upper())
    return ord(c) if "A" <= c <= "Z" else 0


def mtime(day):
    return time.mktime((2020, 1, day, 12, 0, 0, 0, 0, -1))


def prepare(s):
    """Only the test fonts (and 宋体) are registered, each with its own date."""
    fonts = s.drive_c("windows", "Fonts")
    for file_name, source, _ in REGISTERED.values():
        if source:
            shutil.copy(os.path.join(FONTS_DIR, source), os.path.join(fonts, file_name))
        os.utime(os.path.join(fonts, file_name), (mtime(DAYS[file_name]),) * 2)
    subprocess.run(s.in_netns([driver.WINE, "reg", "delete", FONTS_KEY, "/va", "/f"]), env=s.env,
                   check=True, stdout=subprocess.DEVNULL)
    s.set_font_values({name: v[0] for name, v in REGISTERED.items()})


def label(s):
    return s.control("标签2")["text"]


def listed(s):
    """The face names in the grid, row by row, left then right (name cells),
    after checking that each sample cell holds its name too."""
    faces = []
    for r, cells in enumerate(s.grid(GRID)):  # one read of the whole grid
        for sample, name in ((0, 1), (3, 4)):
            if cells[name]:
                assert cells[sample] == cells[name], (r, cells)
                faces.append(cells[name])
    return faces


def wait_for_order(s, before, after):
    """Waits until the grid shows `after` in place of `before`: the first
    name cell where the two differ must show its new face. A grid is filled
    in one go on the UI thread, so then the whole list is the new one."""
    for i, face in enumerate(after):
        if i >= len(before) or before[i] != face:
            row, column = i // 2, (1, 4)[i % 2]
            driver.wait_for(lambda: s.probe("cell", GRID, row, column) == face, 10,
                            what="the new order")
            return


def inventory_order(s):
    with open(s.file("xtzt.data"), "rb") as f:
        return [n for n in f.read().decode("gbk").split(",") if n]


class SystemFontPage(unittest.TestCase):
    def test_orders_refresh_and_samples(self):
        with driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, "fonts") as s:
            prepare(s)
            s.start()
            # 刷新 while the start-up work may still be listing: the two
            # rebuilds take turns on the UI thread, so the page ends whole.
            s.click(*SYSTEM_TAB)
            for _ in range(3):
                s.click_control("图形按钮25")
            driver.wait_for(lambda: label(s).startswith("系统字体数:"), 60, what="the font list")
            # No catalogue database here: its open reports that in a box.
            try:
                box = driver.wait_for(s.message_boxes, 20, what="the catalogue box")
                s.answer_box(box[0]["title"])
                driver.wait_for(lambda: not s.message_boxes(), 10, what="the box to close")
            except TimeoutError:
                pass
            s.click(*SYSTEM_TAB)
            driver.wait_for(lambda: s.control(GRID)["visible"], 10, what="the system font page")
            inventory = inventory_order(s)
            faces = {v[2] for v in REGISTERED.values()}
            self.assertEqual(sorted(inventory), sorted(faces))

            # Chinese first: Chinese names, then the rest without "@" faces.
            chinese_first = ([f for f in inventory if is_chinese(f)] +
                             [f for f in inventory if not is_chinese(f) and f[0] != "@"])
            self.assertEqual(listed(s), chinese_first)
            self.assertEqual(label(s), "系统字体数:11")
            self.assertEqual(s.control(GRID)["rows"], 6)
            s.screenshot("chinese-first")

            # Initial letters: symbols first, then A..Z; "@" faces left out.
            s.click_control("图形按钮5")
            by_letter = sorted(inventory, key=initial_key)
            expected = [f for f in by_letter if initial_key(f) != 255]
            wait_for_order(s, chinese_first, expected)
            self.assertEqual(listed(s), expected)
            self.assertEqual(expected[:2], ["_ProbeUnderscore", "2ProbeTwo"])
            self.assertLess(expected.index("ProbeSans"), expected.index("0ProbeZero"))
            self.assertEqual(label(s), "系统字体数:11")

            # Newest first, by the files' dates; "@" faces listed too.
            s.click_control("图形按钮3")
            day = {v[2]: DAYS[v[0]] for v in REGISTERED.values()}
            newest = sorted(by_letter, key=lambda f: -day[f])
            wait_for_order(s, expected, newest)
            self.assertEqual(listed(s), newest)
            self.assertEqual(label(s), "系统字体数:12")

            # Back to Chinese first: in the newest-first inventory order now.
            s.click_control("图形按钮4")
            again = ([f for f in newest if is_chinese(f)] +
                     [f for f in newest if not is_chinese(f) and f[0] != "@"])
            wait_for_order(s, newest, again)
            self.assertEqual(listed(s), again)

            # A font registered by hand while the program runs shows after 刷新.
            shutil.copy(os.path.join(FONTS_DIR, "ProbeLate.ttf"), s.drive_c("windows", "Fonts"))
            os.utime(s.drive_c("windows", "Fonts", "ProbeLate.ttf"), (mtime(DAYS["ProbeLate.ttf"]),) * 2)
            subprocess.run(s.in_netns([driver.WINE, "reg", "add", FONTS_KEY, "/v",
                                       "ProbeLate (TrueType)", "/t", "REG_SZ", "/d", "ProbeLate.ttf",
                                       "/f"]), env=s.env, check=True, stdout=subprocess.DEVNULL)
            self.assertNotIn("ProbeLate", listed(s))
            s.click_control("图形按钮25")
            driver.wait_for(lambda: label(s) == "系统字体数:12", 20, what="the refresh")
            after = listed(s)
            self.assertIn("ProbeLate", after)
            self.assertEqual(len(after), 12)
            s.click_control("图形按钮3")
            driver.wait_for(lambda: s.probe("cell", GRID, 0, 1) == "ProbeLate", 10, what="newest")
            s.screenshot("newest-first")


if __name__ == "__main__":
    unittest.main()
