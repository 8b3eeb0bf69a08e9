"""Start-up, working folders, settings, pages and layout of the main window."""
import os
import shutil
import sys
import unittest

import driver

ARGS = driver.parse_args()
TAB_CENTRES = {n: (9 + 76 * (n - 1) + 38, 55) for n in range(1, 6)}
PAGE_OF_TAB = {1: 1, 2: 0, 3: 2, 4: 3, 5: 4}
FOLDERS = ["字体备份", "字体回收站", "字体下载目录"]


def ini(path):
    return driver.read_ini(path)


def session(name):
    return driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, name)


started = driver.wait_started_without_catalogue


class FirstRun(unittest.TestCase):
    def test_first_run_creates_folders_settings_and_font_list(self):
        with session("first-run") as s:
            s.start()
            for name in FOLDERS:
                driver.wait_for(lambda: os.path.isdir(s.file(name)), 20, what=name)
            self.assertTrue(os.path.isfile(s.file("pos.ini")))
            started(s)
            settings = ini(s.file("pos.ini"))
            self.assertEqual(settings["potpz"]["pf"], "8")
            self.assertEqual(settings["potpz"]["lb"], "2")
            with open(s.file("xtzt.data"), "rb") as f:
                names = f.read()
            self.assertTrue(names.startswith(b","))
            self.assertTrue(names.endswith(b","))
            count = int(s.control("标签2")["text"].split(":")[1])
            self.assertGreaterEqual(names.count(b","), count)

            # A second start reads the list back and never rewrites it.
            s.stop_program()
            marker = ",只此一行,".encode("gbk")
            with open(s.file("xtzt.data"), "wb") as f:
                f.write(marker)
            s.start()
            started(s)
            with open(s.file("xtzt.data"), "rb") as f:
                self.assertEqual(f.read(), marker)

    def test_started_elsewhere_it_touches_only_its_own_files(self):
        """Started from another folder that holds files of the user's named
        like the program's: the font list and a catalogue update use the
        program directory, and a version text from the server that is no
        digit.digit is not written into pos.ini."""
        with driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, "other-cwd",
                            native=ARGS.native) as s:
            other = os.path.join(s.tmp, "别处")
            os.makedirs(other)
            mine = {"zt.data": os.urandom(5000), "xtzt.data": ",我的,".encode("gbk")}
            for name, data in mine.items():
                with open(os.path.join(other, name), "wb") as f:
                    f.write(data)
            old, _, _ = driver.build_font_catalogue(s.tmp, ARGS.native, {"旧类": ["YqOld A"]},
                                                    version="1.5", name="old")
            shutil.copy(os.path.join(old, "ztdata.mdb"), s.file("ztdata.mdb"))
            s.set_setting("bbh", "1.5")
            new, _, _ = driver.build_font_catalogue(s.tmp, ARGS.native, {"新类": ["YqNew A"]},
                                                    version="1.7", name="new")
            # Three bytes, so the check takes them, but a line end and "[".
            s.serve(new, "version=7\\n[", current=False)
            s.start(cwd=other)

            def box(text):
                return driver.wait_for(lambda: next((b for b in s.message_boxes()
                                                     if b["text"] == text), None), 60,
                                       what="the box %r" % text)
            s.answer_box(box("服务器上有新的字库版本,是否更新字库?")["title"], "是")
            s.answer_box(box("数据库安装成功,已自动刷新!")["title"])

            for name, data in mine.items():
                with open(os.path.join(other, name), "rb") as f:
                    self.assertEqual(f.read(), data, name)
            self.assertEqual(sorted(os.listdir(other)), sorted(mine))
            with open(s.file("xtzt.data"), "rb") as f:
                self.assertTrue(f.read().startswith(b","))
            with open(s.file("zt.data"), "rb") as f, \
                    open(os.path.join(new, "ztysb.data"), "rb") as g:
                self.assertEqual(f.read(), g.read())
            with open(s.file("ztdata.mdb"), "rb") as f, \
                    open(os.path.join(new, "ztdata.mdb"), "rb") as g:
                self.assertEqual(f.read(), g.read())
            # The catalogue is new, its version unrecorded: pos.ini holds its
            # one section, "bbh" as it was.
            with open(s.file("pos.ini"), "rb") as f:
                lines = [l.strip() for l in f.read().decode("gbk").splitlines() if l.strip()]
            self.assertEqual([l for l in lines if l.startswith("[")], ["[potpz]"], lines)
            self.assertEqual(ini(s.file("pos.ini"))["potpz"]["bbh"], "1.5")
            for name in FOLDERS + ["pos.ini"]:
                self.assertTrue(os.path.exists(s.file(name)), name)


class Settings(unittest.TestCase):
    def run_with_ini(self, name, content):
        with session(name) as s:
            with open(s.file("pos.ini"), "wb") as f:
                f.write(content)
            s.start()
            started(s)
            self.assertTrue(s.running())
            shot = s.screenshot("started")
            # The header shows the preset's frame colour, never a black window.
            self.assertNotEqual(s.pixel(shot, 400, 60), "srgb(0,0,0)")
            return ini(s.file("pos.ini"))["potpz"]

    def test_non_numeric_preset_is_written_back_as_zero(self):
        values = self.run_with_ini("pf-abc", b"[potpz]\r\npf=abc\r\nlb=1\r\n")
        self.assertEqual(values["pf"], "0")
        self.assertEqual(values["lb"], "2")

    def test_bad_settings_files(self):
        junk = bytes((i * 131 + 7) & 0xFF for i in range(4096)).replace(b"[", b"(")
        values = self.run_with_ini("pos-junk", junk)
        self.assertEqual((values["pf"], values["lb"]), ("8", "2"))
        values = self.run_with_ini("pos-1mb", b"[potpz]\r\npf=3\r\n" + b"x" * (1 << 20) + b"\r\n")
        self.assertEqual((values["pf"], values["lb"]), ("3", "2"))
        values = self.run_with_ini("pf-huge", b"[potpz]\r\npf=99999999999\r\n")
        self.assertEqual((values["pf"], values["lb"]), ("2147483647", "2"))


class PagesAndLayout(unittest.TestCase):
    def test_each_tab_shows_its_page_with_its_controls(self):
        # The layout moves the paging row and widens the lists.
        laid_out = {"图形按钮2", "图形按钮6", "图形按钮7", "图形按钮8", "标签1"}
        widened = {"系统字体表格", "系统字体表格2", "分组框6", "备份表格", "我的字体表格", "回收站表格"}
        # Without a catalogue the group refresh hides the text-preview controls.
        no_catalogue_hides = {"编辑框4", "编辑框5", "标签14", "标签15", "标签16", "标签17"}
        # The three collection folders are empty: their pages show their
        # empty states, not the design's.
        empty_states = {"我的字体表格": 0, "图形按钮14": 0, "选择框2": 0, "图形按钮27": 0, "标签6": 1,
                        "图形按钮30": 0, "图形按钮31": 0, "选择框8": 0,
                        "标签5": 1, "标签4": 0, "回收站表格": 0, "图形按钮15": 0, "图形按钮16": 0,
                        "选择框1": 0, "标签7": 1, "备份表格": 0, "选择框3": 0}
        with session("pages") as s:
            s.start()
            started(s)
            design = s.probe("design")
            for tab in (2, 3, 4, 5, 1):
                s.click(*TAB_CENTRES[tab])
                page = PAGE_OF_TAB[tab]
                driver.wait_for(lambda: s.tree()["page_control"]["page"] == page, 10,
                                what="page %d" % page)
                s.screenshot("tab%d" % tab)
                tree = s.tree()
                for name, (p, x, y, w, h, visible) in design.items():
                    c = tree["controls"][name]
                    self.assertIsNotNone(c, name)
                    if p != page:
                        self.assertEqual(c["visible"], 0, name)
                        continue
                    want = empty_states.get(name, 0 if name in no_catalogue_hides else visible)
                    self.assertEqual(c["shown"], want, name)
                    if name in laid_out:
                        continue
                    self.assertEqual((c["x"], c["y"], c["h"]), (x, y, h), name)
                    if name not in widened:
                        self.assertEqual(c["w"], w, name)

    def test_size_changed_layout(self):
        with session("layout") as s:
            s.start()
            started(s)
            tree = s.tree()
            self.assertEqual((tree["w"], tree["h"]), (744, 620))
            self.assertEqual(tree["region"], [1, 2, 2, 744, 618])
            pc = tree["page_control"]
            self.assertEqual((pc["x"], pc["y"], pc["w"], pc["h"]), (5, 104, 736, 490))
            c = tree["controls"]
            for grid in ("备份表格", "回收站表格", "我的字体表格"):
                self.assertEqual(c[grid]["cols"][:2], [489, 174], grid)
                self.assertEqual(c[grid]["w"], 734, grid)
            self.assertEqual([c[n]["x"] for n in ("图形按钮2", "图形按钮6", "图形按钮7", "图形按钮8", "标签1")],
                             [152, 252, 352, 452, 552])
            self.assertEqual(c["系统字体表格2"]["cols"][:2], [489, 178])
            self.assertEqual(c["系统字体表格"]["cols"], [210, 120, 27, 210, 120, 27])
            self.assertEqual(c["系统字体表格"]["w"], 736)
            self.assertEqual(c["分组框6"]["w"], 734)

            s.probe("resize", 745, 620)
            driver.wait_for(lambda: s.tree()["w"] == 745, 10, what="the resize")
            c = s.tree()["controls"]
            self.assertEqual(c["系统字体表格2"]["cols"][:2], [489, 178])  # F = 734 < G = 735
            self.assertEqual(c["备份表格"]["cols"][:2], [490, 175])
            self.assertEqual(c["系统字体表格"]["w"], 737)
            s.probe("resize", 744, 620)
            driver.wait_for(lambda: s.tree()["w"] == 744, 10, what="the resize back")

            # The close button at (W - 48, 3, 37, 19) ends the program at once.
            s.click(744 - 48 + 18, 12)
            driver.wait_for(lambda: not s.running(), 10, what="the program to end")


class Closing(unittest.TestCase):
    def test_alt_f4_and_wm_close_end_the_program(self):
        with session("alt-f4") as s:
            s.start()
            started(s)
            s.click(600, 300)  # the page area: the window has the keyboard
            s.x("key", "alt+F4")
            driver.wait_for(lambda: not s.running(), 10, what="Alt+F4 to end the program")
            s.stop_program()
            s.start()
            started(s)
            s.probe("close")  # what the taskbar's close sends
            driver.wait_for(lambda: not s.running(), 10, what="WM_CLOSE to end the program")


if __name__ == "__main__":
    unittest.main(verbosity=2)
