"""Fonts installed for the current user: a font only the user's fonts key
names (by its absolute path) is listed, found, backed up and uninstalled
into the recycle bin from that key alone; with the install scope forced to
the user, a catalogue download installs into the user's folder and key. And
the tooltip of a sample: its file, scope and hanzi coverage, as fontTools
counts it, and whether its licence allows commercial use."""
import hashlib
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import driver

ARGS = driver.parse_args()
TAB = {n: (9 + 76 * (n - 1) + 38, 55) for n in range(1, 6)}
PAGE_OF_TAB = {1: 1, 2: 0, 3: 2, 4: 3, 5: 4}
SOURCE_FONT = driver.DEJAVU + "DejaVuSans.ttf"
# The CJK fonts of the test set-up (scripts/setup.sh installs their packages).
CJK_FONTS = ["/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
             "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
             "/usr/share/fonts/truetype/arphic/uming.ttc",
             "/usr/share/fonts/truetype/arphic/ukai.ttc",
             "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf",
             "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"]
ORACLE = os.path.join(driver.ROOT, "tests", "unit", "platform", "sfnt",
                      "hanzi_coverage_oracle.py")
SETS = os.path.join(driver.ROOT, "platform", "sfnt", "hanzi_sets.inc")
WORK = None


def setUpModule():
    global WORK
    WORK = tempfile.mkdtemp(prefix="yq-per-user-fonts-")
    subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_fonts.py"), SOURCE_FONT,
                    WORK, "YqUser One",
                    "YqLic Personal|For personal use only. A commercial licence is required.",
                    "YqLic None|"], check=True)


def tearDownModule():
    shutil.rmtree(WORK, ignore_errors=True)


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class PerUser(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1],
                                native=ARGS.native)
        self.addCleanup(self.s.close)
        self.user_dir = self.s.user_fonts_dir()

    def windows_path_of(self, host_path):
        rel = os.path.relpath(host_path, self.s.drive_c())
        return "C:\\" + rel.replace("/", "\\")

    def tab(self, n):
        s = self.s
        s.click(*TAB[n])
        driver.wait_for(lambda: s.tree()["page_control"]["page"] == PAGE_OF_TAB[n], 10,
                        what="tab %d" % n)

    def machine_fonts(self):
        """The machine's fonts key and Fonts folder, to show them untouched."""
        folder = self.s.drive_c("windows", "Fonts")
        return (self.s.reg_values(driver.Session.FONTS_KEY),
                {n: os.path.getsize(os.path.join(folder, n)) for n in os.listdir(folder)})

    def test_a_leftover_list_that_points_elsewhere_deletes_nothing(self):
        s = self.s
        drive = s.drive_c()
        users = os.path.join(drive, "users")
        user = next(os.path.join(users, u) for u in os.listdir(users) if u != "Public")
        docs = os.path.join(user, "Documents")
        os.makedirs(docs, exist_ok=True)
        paper = os.path.join(docs, "论文.docx")
        with open(paper, "wb") as f:
            f.write(b"the user's own work")
        os.chmod(paper, 0o444)  # read-only, as Windows shows it
        keep = os.path.join(self.user_dir, "keep.ttf")
        shutil.copy(os.path.join(WORK, "00.ttf"), keep)
        os.makedirs(os.path.join(self.user_dir, "sub"), exist_ok=True)
        shutil.copy(os.path.join(WORK, "00.ttf"), os.path.join(self.user_dir, "sub", "inside.ttf"))
        fonts = self.windows_path_of(self.user_dir)
        up = os.path.relpath(paper, self.user_dir)  # ../../../../../Documents/论文.docx
        lines = [fonts + "\\" + up, fonts + "\\" + up.replace("/", "\\"),
                 fonts + "\\..\\Fonts\\keep.ttf", fonts + "\\.\\keep.ttf", fonts + "\\keep.ttf.",
                 fonts + "\\sub", fonts + "\\CON", fonts + "\\nul.ttf",
                 self.windows_path_of(paper)]
        listed = s.file("待删除字体.txt")
        with open(listed, "wb") as f:
            f.write("".join(line + "\r\n" for line in lines).encode("gbk"))

        def everything():
            return {os.path.join(r, n): os.path.getsize(os.path.join(r, n))
                    for r, _, names in os.walk(drive) for n in names
                    if not os.path.islink(os.path.join(r, n))}
        before = everything()
        s.start()
        driver.wait_for(lambda: s.control("标签2")["text"].startswith("系统字体数:"), 60,
                        what="the start-up work")
        driver.wait_for(lambda: not os.path.exists(listed), 30, what="the list let go of")
        s.stop_program()
        with open(paper, "rb") as f:
            self.assertEqual(f.read(), b"the user's own work")
        self.assertEqual(os.stat(paper).st_mode & 0o777, 0o444)
        after = everything()
        self.assertEqual({p: after.get(p) for p in before}, before)  # nothing gone or cut

    def test_a_font_of_the_users_key_is_listed_found_backed_up_and_uninstalled(self):
        s = self.s
        path = os.path.join(self.user_dir, "YqUserOne.ttf")
        shutil.copy(os.path.join(WORK, "00.ttf"), path)
        original = digest(path)
        value = "YqUser One (TrueType)"
        s.set_font_values({value: self.windows_path_of(path)}, only=True, user=True)
        machine = self.machine_fonts()
        s.start()
        driver.wait_started_without_catalogue(s)
        self.tab(2)
        names = {cell for row in s.grid("系统字体表格") for cell in (row[1], row[4])}
        self.assertIn("YqUser One", names)
        s.search_fonts("YqUser")
        self.assertEqual([r[1] for r in s.grid("系统字体表格2")], ["YqUser One"])

        self.tab(5)
        s.click_control("图形按钮1")  # 一键备份
        driver.wait_for(lambda: s.control("备份表格")["shown"], 60, what="the backup list")
        driver.wait_for(lambda: not s.control("标签8")["shown"], 60, what="the backup")
        self.assertEqual(digest(s.file("字体备份", "YqUserOne.ttf")), original)

        self.tab(2)
        s.batch_uninstall("YqUser")
        s.screenshot("uninstalled")
        self.assertIsNone(s.reg_query(driver.Session.USER_FONTS_KEY, value))
        self.assertFalse(os.path.exists(path))
        self.assertEqual(digest(s.file("字体回收站", "YqUserOne.ttf")), original)
        self.assertEqual(self.machine_fonts(), machine)
        driver.wait_for(lambda: s.control("标签20")["visible"], 20, what="no result left")

    def test_a_download_installs_for_the_user_when_that_is_the_scope(self):
        s = self.s
        out, fonts, rows = driver.build_font_catalogue(s.tmp, ARGS.native,
                                                       {"下载": ["YqUser Download"]}, SOURCE_FONT)
        shutil.copy(os.path.join(out, "ztdata.mdb"), s.file("ztdata.mdb"))
        s.serve(out)
        machine = self.machine_fonts()
        s.use_program(ARGS.test_exe)  # the release has no scope switch
        s.env["YQ_TEST_FONT_SCOPE"] = "user"
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 30, what="the catalogue")
        driver.wait_for(lambda: s.control("标签2")["text"], 30, what="the font list")
        listing = s.control("前台画板")
        row = rows["下载"].index("YqUser Download")
        s.click(listing["cx"] + 690, listing["cy"] + 20 + 50 * row)  # 安装
        path = os.path.join(self.user_dir, "YqUserDownload.ttf")
        key = driver.Session.USER_FONTS_KEY
        driver.wait_for(lambda: s.reg_query(key, "YqUserDownload (TrueType)"), 60,
                        what="the user's value")
        self.assertEqual(s.reg_query(key, "YqUserDownload (TrueType)"), self.windows_path_of(path))
        self.assertEqual(digest(path), digest(fonts["YqUser Download"][1]))
        self.assertEqual(self.machine_fonts(), machine)
        # The row shows 已安装: its button lost the blue arrow.
        def installed_look():
            arrow = s.image("installed").get(listing["cx"] + 669 + 12, listing["cy"] + 50 * row + 21)
            return not (arrow[0] < 100 and arrow[2] > 180)
        driver.wait_for(installed_look, 20, what="the installed look")
        names = {cell for r in s.grid("系统字体表格") for cell in (r[1], r[4])}
        self.assertIn("YqUser Download", names)


    def test_without_rights_a_download_asks_once_about_starting_again_elevated(self):
        s = self.s
        out, fonts, rows = driver.build_font_catalogue(s.tmp, ARGS.native,
                                                       {"下载": ["YqNo Rights", "YqNo Rights 2"]},
                                                       SOURCE_FONT)
        shutil.copy(os.path.join(out, "ztdata.mdb"), s.file("ztdata.mdb"))
        s.serve(out)
        machine = self.machine_fonts()
        s.use_program(ARGS.test_exe)  # the release has no scope switch
        s.env["YQ_TEST_FONT_SCOPE"] = "none"  # an older Windows, run without rights
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 30, what="the catalogue")
        listing = s.control("前台画板")
        for face in ("YqNo Rights", "YqNo Rights 2"):
            s.click(listing["cx"] + 690, listing["cy"] + 20 + 50 * rows["下载"].index(face))
            if face == "YqNo Rights":
                box = driver.wait_for(lambda: s.message_boxes(), 20, what="the question")[0]
                self.assertIn("管理员权限", box["text"])
                s.answer_box(box["title"], "否")
                driver.wait_for(lambda: not s.message_boxes(), 10, what="the box to close")
        time.sleep(1.5)
        self.assertEqual(s.message_boxes(), [])  # asked once a run
        self.assertEqual(os.listdir(s.file("字体下载目录")) if os.path.isdir(s.file("字体下载目录"))
                         else [], [])
        self.assertEqual(s.reg_values(driver.Session.USER_FONTS_KEY), {})
        self.assertEqual(self.machine_fonts(), machine)

        # Agreed to, the program starts itself again ("runas") and this one ends.
        s.stop_program()
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 30, what="the catalogue")
        s.click(listing["cx"] + 690, listing["cy"] + 20)
        box = driver.wait_for(lambda: s.message_boxes(), 20, what="the question")[0]
        s.answer_box(box["title"], "是")
        driver.wait_for(lambda: s.app.poll() is not None, 20, what="this run to end")
        # The main window shown now is the new run's: this one has ended.
        driver.wait_for(lambda: any(w["class"] == "YqMainWindow" for w in s.probe("windows")), 60,
                        what="the program started again")

    def test_a_samples_tooltip_gives_its_file_scope_and_the_hanzi_fontTools_counts(self):
        s = self.s
        missing = [f for f in CJK_FONTS if not os.path.isfile(f)]
        self.assertEqual(missing, [], "fonts of the test set-up")
        out = subprocess.run(["/usr/bin/python3", ORACLE, SETS] + CJK_FONTS, check=True,
                             capture_output=True, text=True).stdout.split("\n")
        expected = {f: tuple(int(n) for n in line.split()) for f, line in zip(CJK_FONTS, out)}
        s.set_font_values({"YqCjk %d (TrueType)" % i: "Z:" + f.replace("/", "\\")
                           for i, f in enumerate(CJK_FONTS)}, only=True)
        s.start()
        driver.wait_started_without_catalogue(s)
        self.tab(2)
        g = s.control("系统字体表格")
        rows = s.grid("系统字体表格")
        samples = [(r, col) for r in range(len(rows)) for col in (0, 3) if rows[r][col + 1]]
        self.assertEqual(len(samples), len(CJK_FONTS))
        seen = {}
        for r, col in samples:
            left = sum(g["cols"][:col])
            s.move(g["cx"] + left + g["cols"][col] // 2, g["cy"] + r * 33 + 16)

            def tip():
                for w in s.probe("windows"):
                    if w["class"] == "tooltips_class32" and \
                            "路径: Z:" in w["title"] and w["title"] not in seen.values():
                        return w["title"]
            text = driver.wait_for(tip, 10, what="the tooltip of row %d column %d" % (r, col))
            seen[(r, col)] = text
            if len(seen) == 1:
                s.screenshot("coverage-tooltip")
            lines = dict(line.split(": ", 1) for line in text.split("\r\n"))
            host = s.windows_path(lines["路径"])
            self.assertEqual(lines["文件"], os.path.basename(host))
            self.assertEqual(lines["安装"], "所有用户")
            gb, common = expected[host]
            self.assertEqual(lines["GB2312 汉字"].split(" (")[0], "%d / 6763" % gb, host)
            self.assertEqual(lines["常用 3500 字"].split(" (")[0], "%d / 3500" % common, host)
            self.assertGreater(gb, 6000, host)  # real CJK fonts: the counts are not trivially 0
            # Their name tables name the GPL, Apache, the Arphic licence or the
            # OFL: each free for commercial use, and the tooltip quotes it.
            self.assertEqual(lines["授权"], "可免费商用", host)
            self.assertTrue(lines["授权说明"], host)
            if "NotoSansCJK" in host:
                self.assertTrue(lines["授权说明"].startswith(
                    "This Font Software is licensed under the SIL Open Font"), lines["授权说明"])
        self.assertEqual(len({t for t in seen.values()}), len(CJK_FONTS))

    def start_with_only(self, fonts):
        """Starts with exactly `fonts` (face: host path) registered, on 字体管理
        once all are listed; returns what lists the faces the grid shows."""
        s = self.s
        s.set_font_values({face + " (TrueType)": "Z:" + path.replace("/", "\\")
                           for face, path in fonts.items()}, only=True)
        s.start()
        driver.wait_started_without_catalogue(s)
        self.tab(2)

        def listed():
            return sorted(n for row in s.grid("系统字体表格") for n in (row[1], row[4]) if n)
        driver.wait_for(lambda: listed() == sorted(fonts), 20, what="the fonts listed")
        return listed

    def test_free_only_lists_the_fonts_whose_licence_allows_commercial_use(self):
        s = self.s
        # DejaVu names its free licence; one copy of it says personal use
        # only, and another says nothing of a licence.
        fonts = {"DejaVu Sans": driver.DEJAVU + "DejaVuSans.ttf",
                 "YqLic Personal": os.path.join(WORK, "01.ttf"),
                 "YqLic None": os.path.join(WORK, "02.ttf")}
        listed = self.start_with_only(fonts)
        s.click_control("选择框6")
        driver.wait_for(lambda: listed() == ["DejaVu Sans"], 20, what="the free font alone")
        s.screenshot("free-only")
        # A search meanwhile finds the free fonts only, and unticking lists all again.
        s.type_into("编辑框1", "Yq")
        driver.wait_for(lambda: s.control("标签20")["visible"], 10, what="no free result")
        s.click_control("选择框6")
        driver.wait_for(lambda: sorted(r[1] for r in s.grid("系统字体表格2") if r[1]) ==
                        ["YqLic None", "YqLic Personal"], 10, what="both results")

    def test_full_chinese_only_keeps_the_fonts_with_every_gb2312_hanzi(self):
        s = self.s
        # Two copies of a GB2312 font (one says personal use only), a cut of
        # it keeping U+4E00-4EFF alone (and its licence records), and DejaVu,
        # which has no hanzi.
        gb = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf"
        work = os.path.join(s.tmp, "han")
        part = os.path.join(s.tmp, "part.ttf")
        subprocess.run(["/usr/bin/python3", "-m", "fontTools.subset", gb,
                        "--unicodes=20-7E,4E00-4EFF", "--name-IDs=*",
                        "--output-file=" + part],
                       check=True, capture_output=True)
        make = os.path.join(driver.HERE, "make_fonts.py")
        subprocess.run(["/usr/bin/python3", make, gb, work, "YqHan Full",
                        "YqHan Personal|For personal use only."], check=True)
        subprocess.run(["/usr/bin/python3", make, part, os.path.join(work, "part"), "YqHan Part"],
                       check=True)
        fonts = {"DejaVu Sans": driver.DEJAVU + "DejaVuSans.ttf",
                 "YqHan Full": os.path.join(work, "00.ttf"),
                 "YqHan Personal": os.path.join(work, "01.ttf"),
                 "YqHan Part": os.path.join(work, "part", "00.ttf")}
        listed = self.start_with_only(fonts)
        s.click_control("选择框7")
        driver.wait_for(lambda: listed() == ["YqHan Full", "YqHan Personal"], 20,
                        what="the two complete fonts")
        # Both boxes ticked: the fonts that pass both.
        s.click_control("选择框6")
        driver.wait_for(lambda: listed() == ["YqHan Full"], 20, what="the free complete font")
        s.screenshot("both-filters")
        s.click_control("选择框7")
        driver.wait_for(lambda: listed() == ["DejaVu Sans", "YqHan Full", "YqHan Part"], 20,
                        what="the free fonts")


if __name__ == "__main__":
    unittest.main(verbosity=2)
