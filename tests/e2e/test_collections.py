"""The three collection pages: 我的字体 lists the downloaded fonts, reinstalls
and uninstalls them; 回收站 restores and purges; 备份 backs up every installed
font and installs the ticked backups again. No step loses a font file."""
import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest

import driver

ARGS = driver.parse_args()
TAB = {n: (9 + 76 * (n - 1) + 38, 55) for n in range(1, 6)}
PAGE_OF_TAB = {1: 1, 2: 0, 3: 2, 4: 3, 5: 4}
INSTALL_BUTTON_Y = {1: 20, 2: 71}  # 安装 of the catalogue's first rows
WORK = None


def setUpModule():
    global WORK
    WORK = tempfile.mkdtemp(prefix="yq-collections-fonts-")
    names = ["YqRe %02d" % i for i in range(19)] + ["YqBin %d" % i for i in range(4)] + \
        ["YqBak 0", "YqBak 1", "YqBak Spaced", "YqBak Other", "YqMy Loose"]
    subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_fonts.py"),
                    driver.DEJAVU + "DejaVuSans.ttf", WORK] + names, check=True)
    for i, name in enumerate(names):
        os.rename(os.path.join(WORK, "%02d.ttf" % i), os.path.join(WORK, name + ".ttf"))


def tearDownModule():
    shutil.rmtree(WORK, ignore_errors=True)


def font(name):
    return os.path.join(WORK, name + ".ttf")


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def value_of(face):
    """The fonts key value the program writes for a face."""
    return face.replace(" ", "") + " (TrueType)"


class Collections(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1],
                                native=ARGS.native)
        self.addCleanup(self.s.close)
        self.fonts_dir = self.s.drive_c("windows", "Fonts")

    def start(self):
        self.s.start()
        driver.wait_started_without_catalogue(self.s)

    def tab(self, n):
        s = self.s
        s.click(*TAB[n])
        driver.wait_for(lambda: s.tree()["page_control"]["page"] == PAGE_OF_TAB[n], 10,
                        what="tab %d" % n)

    def revisit(self, n):
        """Another page first, then tab n: its list is refreshed."""
        self.tab(1)
        self.tab(n)

    def rows(self, grid):
        """The rows of a list grid as (file, face, ticked), [] while it is hidden."""
        s = self.s
        if not s.control(grid)["shown"]:
            return []
        return [(r[0], r[1], c[2]) for r, c in zip(s.grid(grid), s.checks(grid))]

    def click_check(self, grid, row):
        g = self.s.control(grid)
        w0, w1, w2 = g["cols"][:3]
        self.s.click(g["cx"] + w0 + w1 + w2 // 2, g["cy"] + row * g["row_h"] + g["row_h"] // 2)

    def wait_hidden(self, label, timeout=120):
        driver.wait_for(lambda: not self.s.control(label)["shown"], timeout, what=label + " hidden")

    def shell_window(self, title):
        return driver.wait_for(lambda: any(w["class"] == "ExplorerWClass" and w["title"] == title
                                           for w in self.s.probe("windows")),
                               30, what="the file manager on " + title)

    def installed_as(self, source, face, file_name):
        """The Fonts folder holds the source's bytes under file_name, and the
        fonts key names that file for the face."""
        path = os.path.join(self.fonts_dir, file_name)
        return (os.path.isfile(path) and digest(path) == digest(source) and
                self.s.reg_query(driver.Session.FONTS_KEY, value_of(face)) == file_name)

    def fonts_folder_attributes(self):
        out = subprocess.run(self.s.in_netns([driver.WINE, "cmd", "/c", "attrib",
                                              "C:\\windows\\Fonts"]),
                             env=self.s.env, capture_output=True, check=True)
        return out.stdout.decode("gbk", "replace").split("C:")[0]

    # --- 我的字体 ----------------------------------------------------------------------
    def test_downloaded_fonts_listed_in_their_own_faces_then_uninstalled(self):
        s = self.s
        faces = ["YqMy Alpha", "YqMy Beta"]
        out, fonts, _ = driver.build_font_catalogue(s.tmp, ARGS.native, {"下载": faces})
        shutil.copy(os.path.join(out, "ztdata.mdb"), s.file("ztdata.mdb"))
        s.serve(out)
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 30, what="the catalogue")
        driver.wait_for(lambda: s.control("标签2")["text"], 30, what="the font list")
        system_count = int(s.control("标签2")["text"].split(":")[1])
        panel = s.control("前台画板")
        for row in (1, 2):
            s.click(panel["cx"] + 690, panel["cy"] + INSTALL_BUTTON_Y[row])
        downloads = s.file("字体下载目录")
        driver.wait_for(lambda: all(s.reg_query(driver.Session.FONTS_KEY, value_of(f)) for f in faces),
                        60, what="both downloads installed")
        with open(os.path.join(downloads, "说明.txt"), "w") as f:
            f.write("not a font")

        self.tab(3)
        driver.wait_for(lambda: len(self.rows("我的字体表格")) == 2, 20, what="two rows")
        self.assertEqual(sorted(self.rows("我的字体表格")),
                         [(f + ".ttf", f, 1) for f in faces])
        self.assertEqual(s.control("标签3")["text"], "已下载字体数:2")
        self.assertFalse(s.control("标签6")["shown"])
        for (file, face, _), cells in zip(self.rows("我的字体表格"), s.probe("fonts", "我的字体表格")):
            self.assertEqual(cells[1][0], face)  # the face drawn in itself
            self.assertEqual(cells[0][1], 25)    # the file name 25 pixels high
        s.screenshot("my-fonts")

        # A font that was never installed, beside the two installed ones.
        shutil.copy(font("YqMy Loose"), os.path.join(downloads, "YqMy Loose.ttf"))
        self.revisit(3)
        driver.wait_for(lambda: len(self.rows("我的字体表格")) == 3, 20, what="three rows")
        s.click_control("图形按钮14")  # 卸载: every row is ticked
        driver.wait_for(lambda: s.control("标签6")["shown"], 30, what="the empty page")
        self.assertEqual(s.control("标签6")["text"], "你还没下载过呢,或本地清单还未刷新请稍后在试!")
        self.assertEqual(s.control("标签3")["text"], "已下载字体数:0")
        for name in ("我的字体表格", "图形按钮14", "选择框2", "图形按钮27"):
            self.assertFalse(s.control(name)["shown"], name)
        self.assertEqual(os.listdir(downloads), ["说明.txt"])
        for f in faces:
            self.assertIsNone(s.reg_query(driver.Session.FONTS_KEY, value_of(f)))
            installed = os.path.join(self.fonts_dir, f.replace(" ", "") + ".ttf")
            self.assertEqual(digest(installed), digest(fonts[f][1]))  # the copy stays
        # The system font page follows.
        driver.wait_for(lambda: s.control("标签2")["text"] == "系统字体数:%d" % system_count, 30,
                        what="the system font count")
        s.screenshot("my-fonts-empty")

        s.click_control("图形按钮28")  # 打开字体目录
        self.shell_window("字体下载目录")

    def test_reinstall_shows_each_step_and_the_list_widths_follow_the_row_count(self):
        s = self.s
        downloads = s.file("字体下载目录")
        os.makedirs(downloads, exist_ok=True)
        names = ["YqRe %02d" % i for i in range(19)]
        for name in names[:4]:
            shutil.copy(font(name), os.path.join(downloads, name + ".ttf"))
        # The Fonts folder is a system folder on Windows: it must stay one.
        subprocess.run(s.in_netns([driver.WINE, "cmd", "/c", "attrib", "+s", "C:\\windows\\Fonts"]),
                       env=s.env, check=True, capture_output=True)
        before = self.fonts_folder_attributes()
        self.assertIn("S", before)
        self.start()
        self.tab(3)
        driver.wait_for(lambda: len(self.rows("我的字体表格")) == 4, 20, what="four rows")
        watch = s.watch("标签6", 8)
        s.click_control("图形按钮27")  # 重装
        captions = watch.finish()
        self.wait_hidden("标签6")
        # The watch asks for the caption whenever it gets to run, and the
        # program answers each time it dispatches its messages, after each
        # row: on a busy machine a step can pass between two questions.
        # What it sees comes in order, each step once, and ends at 100%.
        steps = ["字体重装中:%d%%" % p for p in (25, 50, 75, 100)]
        seen = [c for c in captions if "%" in c]
        self.assertEqual(seen, [c for c in steps if c in seen])
        self.assertEqual(seen[-1:], steps[-1:])
        for name in names[:4]:
            self.assertTrue(self.installed_as(font(name), name, name.replace(" ", "") + ".ttf"),
                            name)
        self.assertEqual(self.fonts_folder_attributes(), before)
        self.assertEqual([r[2] for r in self.rows("我的字体表格")], [1] * 4)

        # Columns 0 and 1: two thirds, and a third less 52, or less 70 from
        # 19 rows on, where the scroll bar appears.
        w = s.control("我的字体表格")["w"]
        for count, less in ((18, 52), (19, 70)):
            for name in names[:count]:
                shutil.copy(font(name), os.path.join(downloads, name + ".ttf"))
            self.revisit(3)
            driver.wait_for(lambda: s.control("我的字体表格")["rows"] == count, 20,
                            what="%d rows" % count)
            self.assertEqual(s.control("我的字体表格")["cols"][:2], [int(w / 3 * 2), int(w / 3 - less)])
        self.assertEqual(s.control("标签3")["text"], "已下载字体数:19")
        s.screenshot("my-fonts-19")

    def face_cell(self, image):
        """The pixels of row 0's face cell of 我的字体表格 (the face drawn in itself)."""
        g = self.s.control("我的字体表格")
        left = g["cx"] + g["cols"][0]
        pixels = bytes(v for x in range(left + 2, left + g["cols"][1] - 2)
                       for y in range(g["cy"] + 2, g["cy"] + g["row_h"] - 2)
                       for v in image.get(x, y))
        return hashlib.sha256(pixels).hexdigest()

    def test_switch_on_uses_a_downloaded_font_for_the_logon_without_installing_it(self):
        s = self.s
        downloads = s.file("字体下载目录")
        # A serif bold, which no stand-in for a missing face looks like.
        subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_fonts.py"),
                        driver.DEJAVU + "DejaVuSerif-Bold.ttf", downloads, "YqTemp On"],
                       check=True)
        os.rename(os.path.join(downloads, "00.ttf"), os.path.join(downloads, "YqTemp On.ttf"))
        self.start()
        before_values = s.reg_values(driver.Session.FONTS_KEY)
        before_fonts = sorted(os.listdir(self.fonts_dir))
        self.tab(3)
        driver.wait_for(lambda: len(self.rows("我的字体表格")) == 1, 20, what="the row")
        unknown = self.face_cell(s.image("before"))  # GDI does not know the face yet

        def mark():
            return s.grid("我的字体表格")[0][3]
        s.click_control("图形按钮30")  # 临时启用 (the row is ticked)
        driver.wait_for(lambda: mark() == "已启用", 20, what="the mark")
        # Nothing is installed: no value, no file, no row of the installed fonts.
        self.assertEqual(s.reg_values(driver.Session.FONTS_KEY), before_values)
        self.assertEqual(sorted(os.listdir(self.fonts_dir)), before_fonts)
        self.tab(2)
        driver.wait_for(lambda: s.grid("系统字体表格"), 20, what="the installed fonts")
        self.assertNotIn("YqTemp On", {n for r in s.grid("系统字体表格") for n in (r[1], r[4])})
        # Back on the page the face is drawn in the font itself. (Wine maps a
        # face it has once drawn with a stand-in to the stand-in again until
        # a few other fonts have been drawn: the other page draws them.)
        self.tab(3)
        driver.wait_for(lambda: mark() == "已启用", 20, what="the mark")
        self.assertNotEqual(self.face_cell(s.image("on")), unknown)

        s.click_control("图形按钮31")  # 停用
        driver.wait_for(lambda: mark() == "", 20, what="the mark gone")
        self.revisit(2)
        self.tab(3)
        driver.wait_for(lambda: len(self.rows("我的字体表格")) == 1, 20, what="the row")
        self.assertEqual(self.face_cell(s.image("off")), unknown)

        s.click_control("图形按钮30")
        driver.wait_for(lambda: mark() == "已启用", 20, what="on again")
        s.probe("close")  # 退出后仍启用 is not ticked
        driver.wait_for(lambda: not s.running(), 20, what="the exit")
        self.assertIn("fonts switched on for the logon switched off at exit", s.logs_tail())
        self.assertEqual(s.reg_values(driver.Session.FONTS_KEY), before_values)
        self.assertEqual(sorted(os.listdir(self.fonts_dir)), before_fonts)

    # --- 回收站 ------------------------------------------------------------------------
    def fill_bin(self, count):
        bin_dir = self.s.file("字体回收站")
        os.makedirs(bin_dir, exist_ok=True)
        names = ["YqBin %d" % i for i in range(count)]
        for name in names:
            shutil.copy(font(name), os.path.join(bin_dir, name + ".ttf"))
        with open(os.path.join(bin_dir, "readme.txt"), "w") as f:
            f.write("not a font")
        return bin_dir, names

    def test_recycle_bin_restores_the_ticked_and_purges_only_on_ok(self):
        s = self.s
        bin_dir, names = self.fill_bin(4)
        self.start()
        self.tab(4)
        driver.wait_for(lambda: len(self.rows("回收站表格")) == 4, 20, what="four rows")
        listed = [r[0] for r in self.rows("回收站表格")]
        self.assertEqual(sorted(listed), sorted(n + ".ttf" for n in names))
        for row in (1, 3):
            self.click_check("回收站表格", row)
        driver.wait_for(lambda: [r[2] for r in self.rows("回收站表格")] == [1, 0, 1, 0], 10,
                        what="two ticks")
        watch = s.watch("标签9", 8)
        s.click_control("图形按钮16")  # 还原
        captions = watch.finish()
        self.wait_hidden("标签9")
        # Each caption is set before its row. The watch is answered whenever
        # the program dispatches its messages after a caption, and asks again
        # when it gets to run: a step can pass between two questions (an
        # unticked row is skipped at once, and a busy machine delays the
        # watch). What it sees comes in order, each step once, and ends at 100%.
        steps = ["还原字体中:%d%%" % p for p in (25, 50, 75, 100)]
        seen = [c for c in captions if "%" in c]
        self.assertEqual(seen, [c for c in steps if c in seen])  # in order, each once
        self.assertEqual(seen[-1:], steps[-1:], seen)
        for file in (listed[0], listed[2]):
            name = file[:-4]
            self.assertTrue(self.installed_as(font(name), name, file.replace(" ", "")), file)
            self.assertFalse(os.path.exists(os.path.join(bin_dir, file)), file)
        kept = [listed[1], listed[3]]
        driver.wait_for(lambda: len(self.rows("回收站表格")) == 2, 20, what="two rows left")
        self.assertEqual([(r[0], r[2]) for r in self.rows("回收站表格")], [(f, 1) for f in kept])
        s.screenshot("recycle-bin")

        # 清空: Cancel changes nothing; OK deletes the ticked file only.
        s.click_control("图形按钮15")
        box = driver.wait_for(lambda: s.message_boxes(), 20, what="the question")[0]
        self.assertEqual(box["text"], "确实要永久删除选中的文件吗?")
        s.answer_box(box["title"], "取消")
        driver.wait_for(lambda: not s.message_boxes(), 20, what="the box to close")
        self.assertEqual(sorted(os.listdir(bin_dir)), sorted(kept + ["readme.txt"]))
        self.click_check("回收站表格", 0)
        driver.wait_for(lambda: [r[2] for r in self.rows("回收站表格")] == [0, 1], 10, what="ticks")
        s.click_control("图形按钮15")
        box = driver.wait_for(lambda: s.message_boxes(), 20, what="the question")[0]
        s.answer_box(box["title"], "确定")
        driver.wait_for(lambda: len(self.rows("回收站表格")) == 1, 30, what="one row left")
        self.assertEqual(sorted(os.listdir(bin_dir)), sorted([kept[0], "readme.txt"]))
        self.assertIsNone(s.reg_query(driver.Session.FONTS_KEY, value_of(kept[1][:-4])))

        # The last one purged: the empty page; the text file was never listed.
        s.click_control("图形按钮15")
        box = driver.wait_for(lambda: s.message_boxes(), 20, what="the question")[0]
        s.answer_box(box["title"], "确定")
        driver.wait_for(lambda: s.control("标签5")["shown"], 30, what="the empty bin")
        for name in ("回收站表格", "标签4", "图形按钮15", "图形按钮16", "选择框1"):
            self.assertFalse(s.control(name)["shown"], name)
        self.assertEqual(os.listdir(bin_dir), ["readme.txt"])

    def test_a_restore_the_fonts_folder_refuses_keeps_the_file_in_the_bin(self):
        s = self.s
        bin_dir, names = self.fill_bin(2)
        before = {n: digest(os.path.join(bin_dir, n + ".ttf")) for n in names}
        self.start()
        s.read_only(self.fonts_dir)
        self.tab(4)
        driver.wait_for(lambda: len(self.rows("回收站表格")) == 2, 20, what="two rows")
        watch = s.watch("标签9", 6)
        s.click_control("图形按钮16")
        self.assertIn("还原字体中:100%", watch.finish())
        # Said as a failure, each font named.
        box = driver.wait_for(lambda: s.message_boxes(), 30, what="the end of the restore")[0]
        self.assertTrue(box["text"].startswith("还原完成0个,失败2个:"), box["text"])
        for n in names:
            self.assertIn(n + ".ttf(安装失败)", box["text"])
        s.answer_box(box["title"])
        self.wait_hidden("标签9")
        driver.wait_for(lambda: len(self.rows("回收站表格")) == 2, 20, what="the list again")
        self.assertEqual({n: digest(os.path.join(bin_dir, n + ".ttf")) for n in names}, before)
        self.assertEqual(sorted(os.listdir(bin_dir)), sorted([n + ".ttf" for n in names] + ["readme.txt"]))
        for n in names:
            self.assertIsNone(s.reg_query(driver.Session.FONTS_KEY, value_of(n)))
        # Nowhere else on drive C either (the bin itself aside).
        for folder, _, files in os.walk(s.drive_c()):
            for f in files:
                path = os.path.join(folder, f)
                if not os.path.islink(path) and os.path.isfile(path):
                    self.assertFalse(f.startswith("YqBin") and not path.startswith(bin_dir), path)

    # --- fonts that claim installed faces, on every page -------------------------------
    def test_fonts_claiming_installed_faces_change_nothing_on_any_page(self):
        """宋体/SimSun and the host's DejaVu Sans, as other fonts, in all three
        folders: 重装, 卸载, 还原 and 一键还原 change no value and no file that
        is not the program's own, and each says what it could not do."""
        s = self.s
        claims = os.path.join(s.tmp, "claims")
        subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_fonts.py"),
                        driver.DEJAVU + "DejaVuSans.ttf", claims, "SimSun=宋体", "DejaVu Sans"],
                       check=True)
        files = {"simsun.ttf": os.path.join(claims, "00.ttf"),
                 "DejaVu Sans.ttf": os.path.join(claims, "01.ttf")}
        for folder in ("字体下载目录", "字体回收站", "字体备份"):
            os.makedirs(s.file(folder), exist_ok=True)
            for name, source in files.items():
                shutil.copy(source, s.file(folder, name))
        # And a backup of a font of its own, for a Fonts folder that refuses it.
        shutil.copy(font("YqBak 0"), s.file("字体备份", "YqBak 0.ttf"))
        host = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
        keys = (driver.Session.FONTS_KEY, driver.Session.USER_FONTS_KEY)

        def state():
            return ([s.reg_values(k) for k in keys],
                    {p: digest(p) for d in (self.fonts_dir, s.user_fonts_dir())
                     for p in (os.path.join(r, f) for r, _, fs in os.walk(d) for f in fs)},
                    digest(host))

        def ends_with_box(button, text):
            s.click_control(button)
            box = driver.wait_for(lambda: s.message_boxes(), 60, what="the box of " + button)[0]
            self.assertEqual(box["text"], text)
            s.answer_box(box["title"])

        before = state()
        self.start()
        self.tab(3)
        driver.wait_for(lambda: len(self.rows("我的字体表格")) == 2, 20, what="我的字体")
        order = [r[0] for r in self.rows("我的字体表格")]
        in_order = lambda: "".join("\n%s(%s)" % (n, "安装失败" if n.startswith("YqBak") else
                                                   "已有同名字体") for n in order)
        ends_with_box("图形按钮27", "重装完成0个,失败2个:" + in_order())  # 重装
        s.click_control("图形按钮14")  # 卸载: the files go, no font is taken off
        driver.wait_for(lambda: not os.listdir(s.file("字体下载目录")), 20, what="卸载")
        self.tab(4)
        driver.wait_for(lambda: len(self.rows("回收站表格")) == 2, 20, what="回收站")
        order = [r[0] for r in self.rows("回收站表格")]
        ends_with_box("图形按钮16", "还原完成0个,失败2个:" + in_order())  # 还原
        self.assertEqual(sorted(os.listdir(s.file("字体回收站"))), sorted(files))
        self.tab(5)
        driver.wait_for(lambda: len(self.rows("备份表格")) == 3, 20, what="备份")
        s.click_control("选择框3", 6)  # 全选
        driver.wait_for(lambda: all(r[2] for r in self.rows("备份表格")), 10, what="ticks")
        order = [r[0] for r in self.rows("备份表格")]
        s.read_only(self.fonts_dir)  # never "安装完毕!" when a font was not installed
        ends_with_box("图形按钮10", "安装完成0个,失败3个:" + in_order())  # 一键还原
        s.stop_program()
        self.assertEqual(state(), before)

    # --- 备份 --------------------------------------------------------------------------
    def test_backup_copies_every_installed_font_once_and_restores_the_ticked(self):
        s = self.s
        # Only these fonts are installed: two in the Fonts folder, one whose
        # name has blanks, and another font elsewhere whose file has the
        # same name as the first.
        elsewhere = os.path.join(s.tmp, "elsewhere")
        os.makedirs(elsewhere)
        shutil.copy(font("YqBak Other"), os.path.join(elsewhere, "YqBak0.ttf"))
        s.register_fonts({"YqBak0.ttf": (font("YqBak 0"), "YqBak 0"),
                          "YqBak1.ttf": (font("YqBak 1"), "YqBak 1"),
                          "Yq Spaced.ttf": (font("YqBak Spaced"), "YqBak Spaced"),
                          "Z:" + os.path.join(elsewhere, "YqBak0.ttf").replace("/", "\\"):
                          (None, "YqBak Other")}, only=True)
        self.start()
        self.tab(5)
        self.assertTrue(s.control("标签7")["shown"])
        self.assertEqual(s.control("标签7")["text"], "你还未备份过!赶紧备份吧!")
        self.assertFalse(s.control("备份表格")["shown"])
        self.assertFalse(s.control("选择框3")["shown"])
        self.assertFalse(s.control("图形按钮10")["enabled"])

        backups = s.file("字体备份")
        s.click_control("图形按钮1")  # 一键备份
        driver.wait_for(lambda: s.control("备份表格")["shown"], 60, what="the backup list")
        self.wait_hidden("标签8")
        # The two files named YqBak0.ttf: the first in the inventory's order
        # keeps the name, the other font's file is numbered.
        sources = {"YqBak1.ttf": font("YqBak 1"), "Yq Spaced.ttf": font("YqBak Spaced")}
        self.assertEqual(sorted(os.listdir(backups)), sorted(list(sources) + ["YqBak0.ttf",
                                                                              "YqBak0 (2).ttf"]))
        for name, source in sources.items():
            self.assertEqual(digest(os.path.join(backups, name)), digest(source), name)
        self.assertEqual({digest(os.path.join(backups, n)) for n in ("YqBak0.ttf", "YqBak0 (2).ttf")},
                         {digest(font("YqBak 0")), digest(font("YqBak Other"))})
        sources["YqBak0.ttf"] = sources["YqBak0 (2).ttf"] = None
        self.assertEqual(s.control("标签19")["text"], "已备份字体数:4")
        self.assertTrue(s.control("图形按钮10")["enabled"])
        self.assertEqual(sorted(r[0] for r in self.rows("备份表格")), sorted(sources))

        # A second backup of unchanged fonts writes nothing.
        stamps = {n: os.stat(os.path.join(backups, n)).st_mtime_ns for n in sources}
        inodes = {n: os.stat(os.path.join(backups, n)).st_ino for n in sources}
        self.assertEqual(s.control("标签8")["text"], "备份进行中:100%")
        self.click_check("备份表格", 0)  # the list after the backup ticks it again
        driver.wait_for(lambda: self.rows("备份表格")[0][2] == 0, 10, what="row 0 unticked")
        s.click_control("图形按钮1")
        driver.wait_for(lambda: all(r[2] for r in self.rows("备份表格")), 60,
                        what="the second backup")
        self.wait_hidden("标签8")
        self.assertEqual(sorted(os.listdir(backups)), sorted(sources))
        self.assertEqual({n: os.stat(os.path.join(backups, n)).st_mtime_ns for n in sources}, stamps)
        self.assertEqual({n: os.stat(os.path.join(backups, n)).st_ino for n in sources}, inodes)
        s.screenshot("backups")

        # The font with blanks lost from the Fonts folder (between two runs:
        # while it runs Wine keeps drawing a font whose file has gone), then
        # restored from its backup alone: under its own name, blanks kept.
        s.stop_program()
        os.remove(os.path.join(self.fonts_dir, "Yq Spaced.ttf"))
        subprocess.run(s.in_netns([driver.WINE, "reg", "delete", driver.Session.FONTS_KEY, "/v",
                                   "YqBak Spaced (TrueType)", "/f"]), env=s.env, check=True,
                       capture_output=True)
        self.start()
        self.tab(5)
        driver.wait_for(lambda: len(self.rows("备份表格")) == 4, 20, what="the backups")
        s.click_control("选择框3", 6)  # 全选 on: every row ticked
        s.click_control("选择框3", 6)  # and off: none
        driver.wait_for(lambda: all(not r[2] for r in self.rows("备份表格")), 10, what="no ticks")
        row = [r[0] for r in self.rows("备份表格")].index("Yq Spaced.ttf")
        self.click_check("备份表格", row)
        driver.wait_for(lambda: self.rows("备份表格")[row][2] == 1, 10, what="one tick")
        s.click_control("图形按钮10")  # 一键还原
        box = driver.wait_for(lambda: s.message_boxes(), 30, what="the end of the restore")[0]
        self.assertEqual(box["text"], "安装完毕!")
        self.assertEqual(s.control("标签8")["text"], "还原进行中:100%")
        s.answer_box(box["title"])
        self.assertTrue(self.installed_as(font("YqBak Spaced"), "YqBak Spaced", "Yq Spaced.ttf"))
        self.assertEqual(sorted(os.listdir(backups)), sorted(sources))

        s.click_control("图形按钮29")  # 打开备份目录
        self.shell_window("字体备份")


if __name__ == "__main__":
    unittest.main()
