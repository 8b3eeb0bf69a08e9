"""One click downloads a catalogue font, shows its progress and installs it;
failures of the server or of the catalogue never install a broken font."""
import hashlib
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
PARTIAL = ".yqpart"  # a download's file until it has been checked and installed


def build_catalogue(tmp, categories):
    return driver.build_font_catalogue(tmp, ARGS.native, categories, SOURCE_FONT)


def files_under(root):
    """Every file below a folder (links not followed), as host paths."""
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            if not os.path.islink(path):
                found.add(path)
    return found


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


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
        driver.wait_for(lambda: os.path.exists(s.file("字体下载目录", "YqDl Alpha.ttf" + PARTIAL)),
                        20, what="the download to start")
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
        self.assertFalse(os.path.exists(s.file("字体下载目录", face + ".ttf" + PARTIAL)))

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
        target = s.file("字体下载目录", "YqDl Beta.ttf" + PARTIAL)
        driver.wait_for(lambda: os.path.exists(target) and os.path.getsize(target) > 20000, 30,
                        what="part of the body")
        s.stop_server()
        box = s.answer_next_box(set(), 60)
        self.assertEqual(box["text"], "服务器连接失败")
        self.assertEqual(self.button_look(s.image("killed"), self.row_of("YqDl Beta")), "install")
        self.assertFalse(self.installed("YqDl Beta"))
        self.assertEqual(os.listdir(s.file("字体下载目录")), [])  # nothing half-written is left

    def font_requests(self):
        with open(os.path.join(self.s.tmp, "server.log"), errors="replace") as f:
            return f.read().count("/ztwjj/")

    def click_and_settle(self, row, seen):
        """Clicks a row's install button and waits until its download has
        ended; returns the text of the message box it ended with, or None.
        A download that fails ends in a box; one that succeeds ends with its
        font fetched, a new copy in the download folder, its partial file
        gone and the ring stopped (a row named other than its font's face
        shows 安装 again once the marks are refreshed). A refused download
        also stops its ring and drops its partial file just before its box
        comes up, so without the new copy that look is no end: it waits for
        the box. A look taken before the click has been handled must not pass
        for the end, or the next click would overlap this download."""
        s = self.s
        asked = self.font_requests()
        downloads = s.file("字体下载目录")

        def copies():
            found = {}
            for n in os.listdir(downloads):
                if not n.endswith(PARTIAL):
                    try:
                        found[n] = os.stat(os.path.join(downloads, n)).st_mtime_ns
                    except FileNotFoundError:
                        pass
            return found

        before = copies()
        self.install(row)
        found = []

        def ended():
            boxes = [b for b in s.message_boxes() if b["hwnd"] not in seen]
            if boxes:
                found.append(s.answer_next_box(seen)["text"])
                return True
            if self.font_requests() == asked:
                return False
            if any(n.endswith(PARTIAL) for n in os.listdir(downloads)):
                return False
            if copies() == before:
                return False
            return self.button_look(s.image("settle"), row) != "ring"

        driver.wait_for(ended, 60, what="the download of row %d" % row)
        return found[0] if found else None

    def test_hostile_names_write_nowhere_but_the_two_folders(self):
        s = self.s
        hostile = ["..\\..\\evil", "..\\..\\ProgramData\\x.hta\x00more text", "C:\\evil", "a/b",
                   "CON", "ctl\x01\x02\x1fx", "字" * 150, "a" * 255, "simsun", "SimSun", "sim sun",
                   "..\\..\\users\\root\\Desktop\\evil", "nul.txt", "dots. . "]
        faces = ["YqHostile %02d" % i for i in range(len(hostile))]
        self.out, self.fonts, _ = build_catalogue(s.tmp, {"下载": faces})
        layout = [("dl", "中文字体", "危险"), ("table", "危险")]
        layout += [("row", "危险", name, "-", self.fonts[face][0])
                   for name, face in zip(hostile, faces)]
        database = os.path.join(s.tmp, "hostile.mdb")
        driver.make_catalogue(ARGS.native, layout, database)
        shutil.copy(database, s.file("ztdata.mdb"))
        s.serve(self.out)
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/3", 30, what="the catalogue")
        self.list = s.control("前台画板")
        fonts_dir = s.drive_c("windows", "Fonts")
        downloads = s.file("字体下载目录")
        before_files = files_under(s.drive_c()) | files_under(s.tmp)
        before_fonts = {p: digest(p) for p in files_under(fonts_dir)}
        before_values = s.reg_values(FONTS_KEY)

        seen, answers = set(), []
        for page, count in ((1, 5), (2, 5), (3, 4)):
            if page > 1:
                s.click_control("图形按钮7")  # 下一页
                driver.wait_for(lambda: s.control("标签1")["text"] == "%d/3" % page, 20,
                                what="page %d" % page)
            for r in range(1, count + 1):
                answers.append(self.click_and_settle(r, seen))
        self.assertEqual({a for a in answers if a}, {"数据下载错误"}, s.logs_tail())
        s.stop_program()  # everything written is on disk, the registry included

        # No new file anywhere but the Fonts folder and the download folder:
        # not on drive C, not in the program's folder, not beside it.
        new = (files_under(s.drive_c()) | files_under(s.tmp)) - before_files
        stray = [p for p in new if not (p.startswith(fonts_dir + os.sep)
                                        or p.startswith(downloads + os.sep))]
        # Wine's WinINet keeps its cookie and cache indexes in the user's
        # folder (a name no download could make: those end in .ttf).
        wininet = os.path.join("AppData", "Local", "Microsoft", "Windows", "INet")
        stray = [p for p in stray if not (p.startswith(s.drive_c("users") + os.sep)
                                          and wininet in p and p.endswith(os.sep + "index.dat"))]
        # The program's record of what it installed, beside its settings.
        stray = [p for p in stray if p != s.file("已装字体记录.dat")]
        self.assertEqual(stray, [])
        # Every new or changed registry value names a file that is there.
        after_values = s.reg_values(FONTS_KEY)
        changed = {k: v for k, v in after_values.items() if before_values.get(k) != v}
        self.assertTrue(changed, "nothing was installed")
        for name, data in changed.items():
            path = s.windows_path(data) or os.path.join(fonts_dir, data)
            self.assertTrue(os.path.isfile(path), "%s = %s" % (name, data))
        # No font's file was replaced, and the colliding names were numbered.
        for path, sha in before_fonts.items():
            self.assertEqual(digest(path), sha, path)
        self.assertTrue(os.path.isfile(os.path.join(fonts_dir, "simsun_2.ttf")))
        # Within the download folder every file is a plain name, no device.
        for name in os.listdir(downloads):
            self.assertNotIn(name.split(".")[0].upper(), {"CON", "NUL"})
            self.assertFalse(name.endswith(PARTIAL), name)

    def fonts_state(self):
        """Every value of both fonts keys, and every file of both Fonts folders
        with its digest."""
        s = self.s
        values = {("HKLM", k): v for k, v in s.reg_values(driver.Session.FONTS_KEY).items()}
        values.update({("HKCU", k): v for k, v in s.reg_values(driver.Session.USER_FONTS_KEY).items()})
        files = {p: digest(p) for d in (s.drive_c("windows", "Fonts"), s.user_fonts_dir())
                 for p in files_under(d)}
        return values, files

    def test_fonts_claiming_installed_faces_take_nothing_and_our_own_is_updated(self):
        s = self.s
        # Fonts that answer to 宋体/SimSun (the prefix's own 宋体 lives in the
        # Fonts folder, registered nowhere), to the host's DejaVu Sans
        # (registered by its Z: path), and to a font the program installs
        # first, then again as a newer version from another source.
        src = os.path.join(s.tmp, "src-claims")
        for folder, source, faces in (("甲", SOURCE_FONT, ["YqOwn Mark", "SimSun=宋体", "DejaVu Sans"]),
                                      ("乙", driver.DEJAVU + "DejaVuSerif.ttf", ["YqOwn Mark"])):
            subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_fonts.py"), source,
                            os.path.join(src, "中文字体", folder)] + faces, check=True)
        out = os.path.join(s.tmp, "claims")
        server = os.path.join(ARGS.native, "server", "yanqing-server")
        subprocess.run([server, "build", src, out], check=True, capture_output=True)
        dump = json.loads(subprocess.run([server, "dump", os.path.join(out, "ztdata.mdb")],
                                         check=True, capture_output=True).stdout)
        address = {(t["name"], r["字体名"]): r["字体地址"] for t in dump["tables"]
                   if t["name"] in ("甲", "乙") for r in t["rows"]}
        own = address[("甲", "YqOwn Mark")]
        simsun = next(a for (t, n), a in address.items() if t == "甲" and n in ("宋体", "SimSun"))
        rows = [("YqOwn Mark", own), ("simsun", simsun), ("宋体", simsun),
                # (a row named as an installed face shows as installed already)
                ("DejaVu", address[("甲", "DejaVu Sans")]),
                ("YqOwn Mark 2", address[("乙", "YqOwn Mark")])]
        layout = [("dl", "中文字体", "认领"), ("table", "认领")]
        layout += [("row", "认领", name, "-", a) for name, a in rows]
        driver.make_catalogue(ARGS.native, layout, s.file("ztdata.mdb"))
        s.serve(out)
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 30, what="the catalogue")
        self.list = s.control("前台画板")
        before_values, before_files = self.fonts_state()

        seen = set()
        self.assertIsNone(self.click_and_settle(1, seen), s.logs_tail())
        own_file = s.drive_c("windows", "Fonts", "YqOwnMark.ttf")
        driver.wait_for(lambda: os.path.isfile(own_file), 30, what="our own font")
        first = digest(own_file)
        for row, face in ((2, "宋体"), (3, "宋体"), (4, "DejaVu Sans")):
            answer = self.click_and_settle(row, seen)
            self.assertEqual((answer or "").replace("\r", ""),
                             "系统中已有同名字体:%s\n为保护原有字体,未安装此字体!" % face, row)
        self.assertIsNone(self.click_and_settle(5, seen), s.logs_tail())
        driver.wait_for(lambda: digest(own_file) != first, 30, what="our own font updated")
        s.stop_program()

        after_values, after_files = self.fonts_state()
        ours = ("HKLM", "YqOwnMark (TrueType)")
        self.assertEqual({k: v for k, v in after_values.items() if k != ours}, before_values)
        self.assertEqual(after_values[ours], "YqOwnMark.ttf")
        self.assertEqual({p: d for p, d in after_files.items() if p != own_file}, before_files)
        with open(own_file, "rb") as f:
            installed = f.read()
        with open(os.path.join(s.file("字体下载目录"), "YqOwn Mark 2.ttf"), "rb") as f:
            self.assertEqual(installed, f.read())

    def test_cut_redownload_keeps_the_first_copy(self):
        s = self.s
        self.start({"下载": FACES})
        self.install(self.row_of("YqDl Beta"))
        driver.wait_for(lambda: self.installed("YqDl Beta"), 60, what="the first download")
        copy = s.file("字体下载目录", "YqDl Beta.ttf")
        with open(copy, "rb") as f:
            first = f.read()
        # Take the font off the machine by hand, so that its row offers 安装
        # again, and download it once more through a server that cuts it.
        s.stop_program()
        os.remove(s.drive_c("windows", "Fonts", "YqDlBeta.ttf"))
        subprocess.run(s.in_netns([driver.WINE, "reg", "delete", FONTS_KEY, "/v",
                                   "YqDlBeta (TrueType)", "/f"]), env=s.env, check=True,
                       capture_output=True)
        s.stop_program()
        s.serve(self.out, "cut=30000@/ztwjj/")
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 30, what="the catalogue")
        driver.wait_for(lambda: self.button_look(s.image("again"), self.row_of("YqDl Beta"))
                        == "install", 30, what="安装 again")
        self.install(self.row_of("YqDl Beta"))
        self.assertEqual(s.answer_next_box(set(), 60)["text"], "服务器连接失败")
        with open(copy, "rb") as f:
            self.assertEqual(f.read(), first)
        self.assertEqual(os.listdir(s.file("字体下载目录")), ["YqDl Beta.ttf"])

    def test_a_font_that_inflates_without_end_is_refused(self):
        s = self.s
        self.out, self.fonts, self.rows = build_catalogue(s.tmp, {"下载": FACES})
        # YqDl Beta's packed file: 2 MB that would inflate to 2 GiB.
        address = self.fonts["YqDl Beta"][0]
        subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_bomb.py"),
                        os.path.join(self.out, "ztwjj", address + ".tmp"), "2048"], check=True)
        shutil.copy(os.path.join(self.out, "ztdata.mdb"), s.file("ztdata.mdb"))
        s.serve(self.out)
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 30, what="the catalogue")
        self.list = s.control("前台画板")
        self.install(self.row_of("YqDl Beta"))
        self.expect_failure("数据下载错误")
        self.assertTrue(s.running())

    def test_a_body_that_never_ends_is_cut_off(self):
        s = self.s
        self.start({"下载": FACES}, "endless@/ztwjj/")
        self.install(self.row_of("YqDl Beta"))
        self.expect_failure("数据下载错误")
        self.assertTrue(s.running())

    def test_category_change_during_download_still_installs(self):
        s = self.s
        # Categories are listed by name: 甲类 first, then 乙类.
        self.start({"甲类": ["YqDl Alpha"], "乙类": ["YqDl Beta"]}, "slow=100000@/ztwjj/")
        self.install(1)
        driver.wait_for(lambda: os.path.exists(s.file("字体下载目录", "YqDl Alpha.ttf" + PARTIAL)),
                        20, what="the download to start")
        cats = s.control("分类画板")
        s.click(cats["cx"] + 74 + 30, cats["cy"] + 20)  # the other category
        driver.wait_for(lambda: self.installed("YqDl Alpha"), 60, what="the install")

    def test_close_during_download_then_restart(self):
        s = self.s
        self.start({"下载": FACES}, "slow=20000@/ztwjj/")
        self.install(1)
        driver.wait_for(lambda: os.path.exists(s.file("字体下载目录",
                                                      self.rows["下载"][0] + ".ttf" + PARTIAL)),
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
