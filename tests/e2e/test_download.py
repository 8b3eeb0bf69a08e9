"""One click downloads a catalogue font, shows its progress and installs it;
failures of the server or of the catalogue never install a broken font."""
import json
import os
import shutil
import subprocess
import unittest

import driver

ARGS = driver.parse_args()
FONTS_KEY = r"HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts"
SOURCE_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
FACES = ["YqDl Alpha", "YqDl Beta", "Yq Blank Face"]
BUTTON_Y = {1: 20, 2: 71, 3: 120, 4: 170, 5: 220}


def build_catalogue(tmp, categories):
    """categories: {category: [face, ...]} in the 中文字体 group. Returns the
    published folder and {face: (address, font file)}."""
    src = os.path.join(tmp, "src")
    fonts = {}
    for category, faces in categories.items():
        folder = os.path.join(src, "中文字体", category)
        subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_fonts.py"), SOURCE_FONT,
                        folder] + faces, check=True)
        for i, face in enumerate(faces):
            fonts[face] = os.path.join(folder, "%02d.ttf" % i)
    out = os.path.join(tmp, "published")
    server = os.path.join(ARGS.native, "server", "yanqing-server")
    subprocess.run([server, "build", src, out], check=True, capture_output=True)
    dump = json.loads(subprocess.run([server, "dump", os.path.join(out, "ztdata.mdb")],
                                     check=True, capture_output=True).stdout)
    rows = {}
    for table in dump["tables"]:
        if table["name"] in categories:
            rows[table["name"]] = [r["字体名"] for r in table["rows"]]
            for r in table["rows"]:
                fonts[r["字体名"]] = (r["字体地址"], fonts[r["字体名"]])
    return out, fonts, rows


class Download(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1],
                                native=ARGS.native)
        self.addCleanup(self.s.close)

    def start(self, categories, *faults, database=None):
        s = self.s
        self.out, self.fonts, self.rows = build_catalogue(s.tmp, categories)
        shutil.copy(database or os.path.join(self.out, "ztdata.mdb"), s.file("ztdata.mdb"))
        s.serve(self.out, *faults)
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 30, what="the catalogue")
        driver.wait_for(lambda: s.control("标签2")["text"], 30, what="the font list")
        self.list = s.control("前台画板")
        self.count = self.font_count()

    def font_count(self):
        return int(self.s.control("标签2")["text"].split(":")[1])

    def row_of(self, face, category="下载"):
        return self.rows[category].index(face) + 1

    def install(self, row):
        self.s.click(self.list["cx"] + 690, self.list["cy"] + BUTTON_Y[row])

    def installed(self, face):
        stripped = face.replace(" ", "")
        value = self.s.reg_query(FONTS_KEY, stripped + " (TrueType)")
        path = self.s.drive_c("windows", "Fonts", stripped + ".ttf")
        return value == stripped + ".ttf" and os.path.isfile(path)

    def row_pixel(self, image, row, x, dy):
        return image.get(self.list["cx"] + x, self.list["cy"] + (row - 1) * 50 + dy)

    def button_look(self, image, row):
        """'ring' (percentage text under the ring), 'install' (blue arrow) or
        'installed' (a button without the arrow)."""
        if self.ink(image, row, 676, 730, 37, 47):
            return "ring"
        arrow = self.row_pixel(image, row, 669 + 12, 12 + 9)
        if arrow[0] < 100 and arrow[2] > 180:
            return "install"
        return "installed"

    def ink(self, image, row, x0, x1, y0, y1):
        return any(self.row_pixel(image, row, x, y) != (255, 255, 255)
                   for x in range(x0, x1) for y in range(y0, y1))

    def test_two_downloads_with_progress_then_installed(self):
        s = self.s
        self.start({"下载": FACES}, "slow=120000@/ztwjj/")
        rows = [self.row_of("Yq Blank Face"), self.row_of("YqDl Alpha")]
        for r in rows:
            self.install(r)
        driver.wait_for(lambda: os.path.exists(s.file("字体下载目录", "YqDl Alpha.ttf")), 20,
                        what="the download to start")
        image = s.image("downloading")
        for r in rows:
            self.assertEqual(self.button_look(image, r), "ring", r)
            self.assertTrue(self.ink(image, r, 706, 722, 10, 26), "ring of row %d" % r)
            self.assertTrue(self.ink(image, r, 676, 730, 34, 46), "percentage of row %d" % r)
        for face in ("Yq Blank Face", "YqDl Alpha"):
            driver.wait_for(lambda: self.installed(face), 60, what=face + " installed")
        driver.wait_for(lambda: self.font_count() == self.count + 2, 20, what="the count")
        # Downloaded under the listed name (blank kept), unpacked: the font itself.
        for face in ("Yq Blank Face", "YqDl Alpha"):
            with open(s.file("字体下载目录", face + ".ttf"), "rb") as a, \
                    open(self.fonts[face][1], "rb") as b:
                self.assertEqual(a.read(), b.read(), face)
        image = s.image("installed")
        for r in rows:
            self.assertEqual(self.button_look(image, r), "installed", r)
        self.assertEqual(self.button_look(image, self.row_of("YqDl Beta")), "install")
        names = {cell for row in s.grid("系统字体表格") for cell in row}
        self.assertIn("YqDl Alpha", names)
        self.assertIn("Yq Blank Face", names)

    def expect_failure(self, message, face="YqDl Beta"):
        s = self.s
        box = s.answer_next_box(set(), 60)
        self.assertEqual(box["text"], message)
        image = s.image("failed")
        self.assertEqual(self.button_look(image, self.row_of(face)), "install")
        self.assertFalse(self.installed(face))
        self.assertFalse(os.path.exists(s.file("字体下载目录", face + ".ttf")))

    def test_error_page_and_corrupt_container_are_not_installed(self):
        s = self.s
        self.start({"下载": FACES}, "status=404@/ztwjj/")
        self.install(self.row_of("YqDl Beta"))
        self.expect_failure("数据下载错误")
        s.serve(self.out, "corrupt=flip@/ztwjj/")
        self.install(self.row_of("YqDl Beta"))
        self.expect_failure("数据下载错误")
        self.assertEqual(self.font_count(), self.count)

    def test_server_killed_mid_download(self):
        s = self.s
        self.start({"下载": FACES}, "slow=20000@/ztwjj/")
        self.install(self.row_of("YqDl Beta"))
        target = s.file("字体下载目录", "YqDl Beta.ttf")
        driver.wait_for(lambda: os.path.exists(target) and os.path.getsize(target) > 20000, 30,
                        what="part of the body")
        s.stop_server()
        box = s.answer_next_box(set(), 60)
        self.assertEqual(box["text"], "服务器连接失败")
        self.assertEqual(self.button_look(s.image("killed"), self.row_of("YqDl Beta")), "install")
        self.assertFalse(self.installed("YqDl Beta"))

    def test_hostile_names_stay_in_the_download_folder(self):
        s = self.s
        hostile = ["..\\..\\evil", "a/b", "c:x", "CON", "nul.txt", "ctl\x01x", "dots. . "]
        self.out, self.fonts, _ = build_catalogue(s.tmp, {"下载": ["YqDl Alpha"]})
        address = self.fonts["YqDl Alpha"][0]
        layout = [("dl", "中文字体", "危险"), ("table", "危险")]
        layout += [("row", "危险", name, "-", address) for name in hostile[:5]]
        spec2 = [("dl", "中文字体", "危险二"), ("table", "危险二")]
        spec2 += [("row", "危险二", name, "-", address) for name in hostile[5:]]
        database = os.path.join(s.tmp, "hostile.mdb")
        driver.make_catalogue(ARGS.native, layout + spec2, database)
        shutil.copy(database, s.file("ztdata.mdb"))
        s.serve(self.out)
        before = set(os.listdir(s.program_dir))
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 30, what="the catalogue")
        self.list = s.control("前台画板")
        cats = s.control("分类画板")
        seen = set()
        for page, count in ((0, 5), (1, 2)):
            if page:
                s.click(cats["cx"] + 74 + 30, cats["cy"] + 20)
                driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 20, what="page")
            for r in range(1, count + 1):
                self.install(r)
            # Refused names say so; the others download and install.
            deadline_rows = range(1, count + 1)
            driver.wait_for(lambda: all(self.button_look(s.image("hostile"), r) != "ring"
                                        or any(b["hwnd"] not in seen for b in s.message_boxes())
                                        for r in deadline_rows), 60, what="the downloads")
            while any(b["hwnd"] not in seen for b in s.message_boxes()):
                self.assertEqual(s.answer_next_box(seen)["text"], "数据下载错误", s.logs_tail())
        after = set(os.listdir(s.program_dir))
        self.assertEqual(after - before - {"字体名缓存.dat"},
                         {"字体下载目录", "字体回收站", "字体备份", "pos.ini", "xtzt.data"})
        self.assertFalse(any("evil" in name for name in os.listdir(s.tmp)))
        self.assertFalse(os.path.exists(os.path.join(s.tmp, "evil.ttf")))
        for name in os.listdir(s.file("字体下载目录")):
            self.assertNotIn(name.split(".")[0].upper(), {"CON", "NUL"})

    def test_category_change_during_download_still_installs(self):
        s = self.s
        # Categories are listed by name: 甲类 first, then 乙类.
        self.start({"甲类": ["YqDl Alpha"], "乙类": ["YqDl Beta"]}, "slow=100000@/ztwjj/")
        self.install(1)
        driver.wait_for(lambda: os.path.exists(s.file("字体下载目录", "YqDl Alpha.ttf")), 20,
                        what="the download to start")
        cats = s.control("分类画板")
        s.click(cats["cx"] + 74 + 30, cats["cy"] + 20)  # the other category
        driver.wait_for(lambda: self.installed("YqDl Alpha"), 60, what="the install")

    def test_close_during_download_then_restart(self):
        s = self.s
        self.start({"下载": FACES}, "slow=20000@/ztwjj/")
        self.install(1)
        driver.wait_for(lambda: os.path.exists(s.file("字体下载目录", self.rows["下载"][0] + ".ttf")),
                        20, what="the download to start")
        s.click(744 - 48 + 18, 12)  # close
        driver.wait_for(lambda: not s.running(), 5, what="the program to end at once")
        s.stop_program()
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 30, what="the catalogue again")
        self.assertTrue(s.running())
        s.screenshot("restarted")


if __name__ == "__main__":
    unittest.main(verbosity=2)
