"""The system font page's search, preview text, ticking, menus and deletions:
removed fonts go into 字体回收站, checked and never replacing another file,
and nothing is lost when they cannot."""
import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest

import driver

ARGS = driver.parse_args()
HERE = os.path.dirname(os.path.abspath(__file__))
FONTS_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts"
SYSTEM_TAB = (9 + 76 + 38, 55)
DEJAVU = "/usr/share/fonts/truetype/dejavu/"
HOST_FONT = DEJAVU + "DejaVuSansMono.ttf"  # registered by the prefix as a Z: path
WORK = None


def setUpModule():
    global WORK
    WORK = tempfile.mkdtemp(prefix="yq-manage-fonts-")
    # Fonts of names of our own: ten to delete in a batch, one whose name's
    # initials are "ht", and two different fonts that share a file name.
    names = ["YqDel %02d" % i for i in range(10)] + ["YqM Hei=YqM 黑体", "YqTwin A", "YqTwin B"]
    subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_fonts.py"), DEJAVU + "DejaVuSans.ttf",
                    WORK] + names, check=True)
    subprocess.run(["/usr/bin/python3", os.path.join(HERE, "..", "win", "fonts", "make_test_fonts.py"),
                    os.path.join(WORK, "probe")], check=True)


def tearDownModule():
    shutil.rmtree(WORK, ignore_errors=True)


def font_file(i):
    return os.path.join(WORK, "%02d.ttf" % i)


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class ManagePage(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1])
        self.addCleanup(self.s.close)

    def open_page(self, fonts=None, only=False):
        s = self.s
        if fonts:
            s.register_fonts(fonts, only)
        s.start()
        driver.wait_started_without_catalogue(s)
        s.click(*SYSTEM_TAB)
        driver.wait_for(lambda: s.tree()["page_control"]["page"] == 0, 10, what="the page")
        self.bin = s.file("字体回收站")

    def count(self):
        return int(self.s.control("标签2")["text"].split(":")[1])

    def search(self, text):
        self.s.search_fonts(text)

    def results(self):
        if not self.s.control("系统字体表格2")["visible"]:
            return []
        return [row[1] for row in self.s.grid("系统字体表格2")]

    def listing(self):
        """The face names of 系统字体表格, row by row, left then right."""
        return [name for row in self.s.grid("系统字体表格") for name in (row[1], row[4]) if name]

    def right_click_delete(self, grid, row, x):
        s = self.s
        g = s.control(grid)
        height = 33 if grid == "系统字体表格" else 24
        s.click(g["cx"] + x, g["cy"] + row * height + height // 2, button=3)
        driver.wait_for(lambda: s.probe("menus"), 10, what="the menu")
        s.x("key", "Up", "Return")  # the last item: 删除字体

    def batch_uninstall(self, query):
        self.s.batch_uninstall(query)

    def test_search_and_preview_text(self):
        s = self.s
        self.open_page({"YqHt.ttf": (font_file(10), "YqM 黑体")})
        # The inventory's order: the registry's, as the font name list keeps it.
        with open(s.file("xtzt.data"), "rb") as f:
            order = [n for n in f.read().decode("gbk").split(",") if n]

        self.search("dejavu")
        dejavu = [f for f in order if "dejavu" in f.lower()]
        self.assertGreater(len(dejavu), 3)
        self.assertEqual(self.results(), dejavu)
        s.screenshot("dejavu")
        s.click_control("选择框5", 6)  # 区分大小写
        self.search("dejavu ")  # any change runs the search again
        self.assertTrue(s.control("标签20")["visible"])
        self.assertEqual(s.control("标签20")["text"], "查询无结果!")
        s.click_control("选择框5", 6)

        # Row 0 ticked, then another search: every row of it starts unticked,
        # so 卸载 never takes a font the user did not choose.
        self.search("dejavu")
        g2 = s.control("系统字体表格2")
        w0, w1, w2 = g2["cols"][:3]
        s.click(g2["cx"] + w0 + w1 + w2 // 2, g2["cy"] + 12)
        driver.wait_for(lambda: s.checks("系统字体表格2")[0][2] == 1, 10, what="row 0 ticked")
        self.search("DejaVu Sans")
        self.assertEqual([r[2] for r in s.checks("系统字体表格2")],
                         [0] * len(s.checks("系统字体表格2")))

        # 宋体 is CB CE CC E5: the character CE CC stands across its boundary.
        self.search(b"\xce\xcc".decode("gbk"))
        self.assertEqual(self.results(), [])

        # Columns of the result grid: 18 fewer pixels for the name from 19 results.
        many = next(q for q in ("Noto Sans", "Noto", "Sans", "a") if
                    sum(q.lower() in f.lower() for f in order) >= 19)
        self.search(many)
        w = s.control("系统字体表格2")["w"]
        self.assertEqual(s.control("系统字体表格2")["cols"][:2], [int(w / 3 * 2), int(w / 3 - 70)])
        self.search("DejaVu Sans Mono")
        self.assertEqual(s.control("系统字体表格2")["cols"][:2], [int(w / 3 * 2), int(w / 3 - 52)])

        # Pinyin initials: after every plain match.
        self.search("ht")
        plain = [f for f in order if "ht" in f.lower()]
        found = self.results()
        self.assertEqual(found[:len(plain)], plain)
        self.assertIn("YqM 黑体", found[len(plain):])

        # Deleting the last character brings the whole grid back, in its order.
        listed = self.listing()
        self.search("h")
        s.x("key", "BackSpace")
        driver.wait_for(lambda: s.control("系统字体表格")["visible"], 20, what="the full grid")
        self.assertEqual(self.listing(), listed)

        # After 按首拼排序 the results follow the inventory's new order.
        s.click_control("图形按钮5")
        driver.wait_for(lambda: self.listing() != listed, 20, what="the initial-letter order")
        by_letter = self.listing()
        self.search("dejavu")
        self.assertEqual(self.results(), [f for f in by_letter if "dejavu" in f.lower()])
        self.search("")

        # Ticking: a release in a check band toggles it; elsewhere, or with
        # the right button, nothing changes.
        g = s.control("系统字体表格")
        row_y = g["cy"] + 16
        for x, want in ((340, [1, 0]), (340, [0, 0]), (700, [0, 1]), (330, [0, 1]), (250, [0, 1])):
            s.click(g["cx"] + x, row_y)
            driver.wait_for(lambda: [s.checks("系统字体表格")[0][c] for c in (2, 5)] == want, 10,
                            what="ticks %s after x %d" % (want, x))
        s.click(g["cx"] + 340, row_y, button=3)
        driver.wait_for(lambda: s.probe("menus"), 10, what="the menu")
        s.x("key", "Escape")
        self.assertEqual([s.checks("系统字体表格")[0][c] for c in (2, 5)], [0, 1])

        # The preview text in every sample cell, the last row's right one too.
        s.type_into("编辑框2", "Preview42")
        rows = s.grid("系统字体表格")
        driver.wait_for(lambda: all(r[0] == r[3] == "Preview42" for r in s.grid("系统字体表格")),
                        20, what="the preview text")
        s.screenshot("preview-text")
        s.type_into("编辑框2", "")
        driver.wait_for(lambda: all(r[0] == r[1] and r[3] == r[4] for r in s.grid("系统字体表格")),
                        20, what="the names back")
        self.assertEqual(len(s.grid("系统字体表格")), len(rows))

    def test_batch_uninstall_from_the_results(self):
        s = self.s
        fonts = {}
        for i in range(10):
            # Padded, so that the batch runs long enough to be pressed again.
            source = os.path.join(s.tmp, "del%02d.ttf" % i)
            with open(font_file(i), "rb") as f, open(source, "wb") as out:
                out.write(f.read() + bytes(16 << 20))
            fonts["YqDel%02d.ttf" % i] = (source, "YqDel %02d" % i)
        self.open_page(fonts)
        before = self.count()
        self.search("YqDel")
        self.assertEqual(len(self.results()), 10)
        s.click_control("选择框4", 6)  # 全选
        driver.wait_for(lambda: all(r[2] for r in s.checks("系统字体表格2")), 10, what="ticks")

        s.click_control("图形按钮17")  # 卸载, then No: nothing changes
        box = driver.wait_for(lambda: s.message_boxes(), 20, what="the question")[0]
        self.assertEqual(box["text"], "是否执行批量卸载?")
        s.answer_box(box["title"], "否")
        driver.wait_for(lambda: not s.message_boxes(), 10, what="the box to close")
        self.assertEqual(self.count(), before)
        self.assertEqual(os.listdir(self.bin), [])

        s.click_control("图形按钮17")
        box = driver.wait_for(lambda: s.message_boxes(), 20, what="the question")[0]
        seen = {box["hwnd"]}
        # Yes, and 卸载 pressed again right behind it: the batch, which lets the
        # window read its messages after each font, meets that press after
        # its first font, however fast it runs.
        self.assertEqual(s.probe("press", box["title"], "是", "图形按钮17"), "pressed")
        self.assertEqual(s.answer_next_box(seen, 60)["text"], "卸载进行中!")
        driver.wait_for(lambda: not s.control("标签18")["visible"], 120, what="the batch")
        self.assertTrue(s.control("标签18")["text"].endswith(".完成:90%"),
                        s.control("标签18")["text"])
        # 标签18 goes only once the grid shows the new inventory.
        self.assertEqual(self.count(), before - 10)
        for name, (source, face) in fonts.items():
            self.assertEqual(digest(os.path.join(self.bin, name)), digest(source), name)
            self.assertFalse(os.path.exists(s.drive_c("windows", "Fonts", name)))
            self.assertIsNone(s.reg_query(FONTS_KEY, face + " (TrueType)"))

    def test_single_deletes_keep_every_file(self):
        s = self.s
        probe = os.path.join(WORK, "probe")
        # Only these fonts, so that every row is in view; one of them the
        # host's own, registered by its Z: path as the prefix does.
        self.open_page({"ProbeSans.ttf": (os.path.join(probe, "ProbeSans.ttf"), "ProbeSans"),
                        "ProbePair.ttc": (os.path.join(probe, "ProbePair.ttc"), "ProbePairA"),
                        "twin.ttf": (font_file(11), "YqTwin A"),
                        "Z:" + HOST_FONT.replace("/", "\\"): (None, "DejaVu Sans Mono")},
                       only=True)
        host_before = digest(HOST_FONT)
        # From 系统字体表格: the file's own name.
        rows = s.grid("系统字体表格")
        row, col = next((r, c) for r, cells in enumerate(rows) for c in (1, 4)
                        if cells[c] == "ProbeSans")
        self.right_click_delete("系统字体表格", row, 250 if col == 1 else 580)
        driver.wait_for(lambda: os.path.exists(os.path.join(self.bin, "ProbeSans.ttf")), 30,
                        what="ProbeSans in the bin")
        # From 系统字体表格2: the face name + ".ttf", whatever the file was.
        self.search("ProbePair")
        self.right_click_delete("系统字体表格2", 0, 100)
        driver.wait_for(lambda: os.path.exists(os.path.join(self.bin, "ProbePairA.ttf")), 30,
                        what="ProbePairA in the bin")
        # 复制文件名 copies the font file's own name.
        self.search("YqTwin")
        g = s.control("系统字体表格2")
        s.click(g["cx"] + 100, g["cy"] + 12, button=3)
        driver.wait_for(lambda: s.probe("menus"), 10, what="the menu")
        s.x("key", "Down", "Down", "Return")
        driver.wait_for(lambda: subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=s.env,
                                               capture_output=True, timeout=10).stdout == b"twin.ttf",
                        10, what="the file name on the clipboard")
        self.assertEqual(digest(os.path.join(self.bin, "ProbePairA.ttf")),
                         digest(os.path.join(probe, "ProbePair.ttc")))
        # Two different fonts of one file name, one after the other: both kept.
        self.batch_uninstall("YqTwin")
        driver.wait_for(lambda: os.path.exists(os.path.join(self.bin, "twin.ttf")), 30,
                        what="the first twin")
        s.register_fonts({"twin.ttf": (font_file(12), "YqTwin B")})
        s.click_control("图形按钮25")  # 刷新
        driver.wait_for(lambda: (self.search("YqTwin") or True) and self.results() == ["YqTwin B"],
                        30, what="the second twin listed")
        self.batch_uninstall("YqTwin")
        driver.wait_for(lambda: os.path.exists(os.path.join(self.bin, "twin (2).ttf")), 30,
                        what="the second twin")
        self.assertEqual(digest(os.path.join(self.bin, "twin.ttf")), digest(font_file(11)))
        self.assertEqual(digest(os.path.join(self.bin, "twin (2).ttf")), digest(font_file(12)))
        # A font registered from outside the Fonts folders (the host's, by its
        # Z: path): unregistered, a copy in the bin, and its file left where
        # it is, untouched.
        self.search("DejaVu Sans Mono")
        self.right_click_delete("系统字体表格2", 0, 100)
        driver.wait_for(lambda: os.path.exists(os.path.join(self.bin, "DejaVu Sans Mono.ttf")), 30,
                        what="DejaVu Sans Mono in the bin")
        self.assertEqual(digest(os.path.join(self.bin, "DejaVu Sans Mono.ttf")), host_before)
        driver.wait_for(lambda: s.reg_query(FONTS_KEY, "DejaVu Sans Mono (TrueType)") is None, 30,
                        what="DejaVu Sans Mono unregistered")
        self.assertEqual(digest(HOST_FONT), host_before)

    def test_unwritable_recycle_bin_loses_nothing(self):
        s = self.s
        # A file where the folder should be: nothing can be copied into it.
        with open(s.file("字体回收站"), "w") as f:
            f.write("not a folder")
        fonts = {"YqDel00.ttf": (font_file(0), "YqDel 00")}
        self.open_page(fonts)
        before = self.count()
        self.search("YqDel")
        s.click_control("选择框4", 6)
        s.click_control("图形按钮17")
        box = driver.wait_for(lambda: s.message_boxes(), 20, what="the question")[0]
        s.answer_box(box["title"], "是")
        driver.wait_for(lambda: not s.control("标签18")["visible"], 60, what="the batch")
        s.click_control("图形按钮25")
        self.search("YqDel")
        self.assertEqual(self.results(), ["YqDel 00"])
        self.assertEqual(digest(s.drive_c("windows", "Fonts", "YqDel00.ttf")), digest(font_file(0)))
        self.assertEqual(s.reg_query(FONTS_KEY, "YqDel 00 (TrueType)"), "YqDel00.ttf")
        self.assertEqual(self.count(), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
