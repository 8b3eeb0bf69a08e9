"""The catalogue keeps itself up to date: the status line tells the versions,
a newer catalogue is offered, downloaded and shown without a restart, a bad
download leaves the old one, and a newer program is announced once."""
import os
import shutil
import signal
import subprocess
import time
import unittest

import driver

ARGS = driver.parse_args()
PROGRAM = "主程序版本:" + driver.VERSION
CONNECTED = " " * 18 + "连接服务器成功!"
NOT_CONNECTED = " " * 18 + "连接服务器失败!"
OFFER = "服务器上有新的字库版本,是否更新字库?"
INSTALLED = "数据库安装成功,已自动刷新!"
NEW_FACES = ["YqNew %02d" % i for i in range(30)]  # six pages of five
MiB = 1 << 20


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Update(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1],
                                native=ARGS.native)
        self.addCleanup(self.s.close)

    def catalogue(self, version, categories, name):
        out, _, _ = driver.build_font_catalogue(self.s.tmp, ARGS.native, categories,
                                                version=version, name=name)
        return out

    def install_old(self):
        """The local catalogue: version 1.5, one category of one font."""
        old = self.catalogue("1.5", {"旧类": ["YqOld A"]}, "old")
        shutil.copy(os.path.join(old, "ztdata.mdb"), self.s.file("ztdata.mdb"))
        self.s.set_setting("bbh", "1.5")
        return old

    def status(self):
        return self.s.probe("status")

    def wait_status(self, text, timeout=60):
        return driver.wait_for(lambda: self.status() == text, timeout,
                               what="the status line %r (it is %r)" % (text, self.status()))

    def open_control_menu(self):
        """Caption button 5 opens the control menu. The pointer comes from
        elsewhere: the frame sees a press on a button it saw the pointer enter."""
        s = self.s
        _, _, w, _ = s.refresh_geometry()
        s.move(w // 2, 300)
        s.click(w - 148 + 12, 12)
        driver.wait_for(lambda: s.probe("menus"), 10, what="the control menu")

    def check_from_menu(self):
        """The control menu's first item is 检测更新."""
        self.open_control_menu()
        self.s.x("key", "Down", "Return")
        # The menu's modal loop ends after the key: a click before that
        # would only close it.
        driver.wait_for(lambda: not self.s.probe("menus"), 10, what="the menu to close")

    def requests(self, path):
        """The program's requests of `path` so far (the driver's own readiness
        check asks with HTTP/1.1, the program with HTTP/1.0)."""
        self.s.server_log.flush()
        with open(os.path.join(self.s.tmp, "server.log"), errors="replace") as f:
            return sum(1 for line in f if '"GET %s HTTP/1.0"' % path in line)

    def boxes_now(self, seconds):
        """The message boxes seen during the next `seconds`."""
        seen = {}
        end = time.time() + seconds
        while time.time() < end:
            for b in self.s.message_boxes():
                seen[b["hwnd"]] = b
            time.sleep(0.3)
        return list(seen.values())

    def wait_box(self, text, timeout=60):
        return driver.wait_for(lambda: next((b for b in self.s.message_boxes()
                                             if b["text"] == text), None), timeout,
                               what="the box %r" % text)

    def page_indicator(self):
        return self.s.control("标签1")["text"]

    def test_equal_versions_and_the_menu_item_while_a_check_runs(self):
        s = self.s
        out = self.install_old()
        s.serve(out)
        s.start()
        latest = PROGRAM + "     字库版本号:1.5(最新版本:1.5)" + CONNECTED
        self.wait_status(latest)
        s.screenshot("status-line")
        self.assertEqual(self.boxes_now(1), [])

        self.assertEqual(self.requests("/ztpz.txt"), 1)
        # The server is held still, so the menu's check waits for its answer.
        # While it waits the item is disabled: picking it again starts nothing.
        os.kill(s.server.pid, signal.SIGSTOP)
        try:
            self.check_from_menu()
            time.sleep(1)
            self.open_control_menu()
            s.screenshot("menu-during-check")
            s.x("key", "Down", "Return")
            time.sleep(0.5)
            s.x("key", "Escape")
            time.sleep(1)
        finally:
            os.kill(s.server.pid, signal.SIGCONT)
        driver.wait_for(lambda: self.requests("/ztpz.txt") == 2, 20, what="the menu's check")
        self.wait_status(latest, 30)
        time.sleep(4)
        self.assertEqual(self.requests("/ztpz.txt"), 2)
        # Enabled again once the check is over.
        self.check_from_menu()
        driver.wait_for(lambda: self.requests("/ztpz.txt") == 3, 20, what="a third check")
        self.assertEqual(self.boxes_now(1), [])

    def test_a_newer_catalogue_is_offered_installed_and_shown(self):
        s = self.s
        self.install_old()
        new = self.catalogue("1.7", {"新类": NEW_FACES}, "new")
        s.serve(new, "slow=15000@/ztysb.data", current=False)
        s.start()
        driver.wait_for(lambda: self.page_indicator() == "1/1", 60, what="the old catalogue")
        box = self.wait_box(OFFER)
        self.assertEqual(box["title"], "更新提示!")
        s.answer_box(box["title"], "是")
        notes = set()

        def installed_box():
            text = self.status()
            if "字库更新已完成:" in text:
                notes.add(text.rsplit(":", 1)[1])
            return next((b for b in s.message_boxes() if b["text"] == INSTALLED), None)

        box = driver.wait_for(installed_box, 120, what="the install")
        self.assertTrue(notes, "no percentage was shown")
        self.assertTrue(all(n.endswith("%") and int(n[:-1]) < 100 for n in notes), notes)
        self.assertEqual(read(s.file("ztdata.mdb")), read(os.path.join(new, "ztdata.mdb")))
        self.assertEqual(s.settings()["bbh"], "1.7")
        self.assertFalse(os.path.exists(s.file("ztdata.mdb.yqpart")))
        s.answer_box(box["title"])
        # The new catalogue is on show without a restart: thirty fonts, six pages.
        driver.wait_for(lambda: self.page_indicator() == "1/6", 20, what="the new catalogue")
        s.screenshot("new-catalogue")

        self.check_from_menu()
        self.wait_status(PROGRAM + "     字库版本号:1.7(最新版本:1.7)" + CONNECTED, 30)
        self.assertEqual(self.boxes_now(1), [])

    def test_a_bad_download_keeps_the_old_catalogue(self):
        s = self.s
        self.install_old()
        before = read(s.file("ztdata.mdb"))
        new = self.catalogue("1.7", {"新类": NEW_FACES}, "new")
        packed = os.path.getsize(os.path.join(new, "ztysb.data"))
        # A damaged container, an HTML error page, and a connection closed early.
        for i, fault in enumerate(["corrupt=flip@/ztysb.data", "status=500@/ztysb.data",
                                   "cut=%d@/ztysb.data" % (packed // 2)]):
            s.serve(new, fault, current=False)
            if i == 0:
                s.start()
            else:
                self.check_from_menu()
            s.answer_box(self.wait_box(OFFER)["title"], "是")
            if fault.startswith("cut"):
                # Fewer bytes than announced: the last percentage stays, no box.
                note = driver.wait_for(lambda: "字库更新已完成:" in self.status() and self.status(),
                                       30, what="the percentage")
                time.sleep(2)
                self.assertEqual(self.boxes_now(1), [])
                self.assertLess(int(self.status().rsplit(":", 1)[1][:-1]), 100, note)
            else:
                box = self.wait_box("字库更新出错!")
                self.assertIn("连接服务器成功!字库更新出错!", self.status())
                s.answer_box(box["title"])
            self.assertEqual(read(s.file("ztdata.mdb")), before, fault)
            self.assertEqual(s.settings()["bbh"], "1.5", fault)
            self.assertFalse(os.path.exists(s.file("ztdata.mdb.yqpart")), fault)
            # The catalogue page still works: the old category is listed, and
            # its page buttons answer.
            self.assertEqual(self.page_indicator(), "1/1", fault)
            s.click_control("图形按钮8")
            self.assertEqual(self.page_indicator(), "1/1", fault)
        s.screenshot("old-catalogue-kept")

    def test_a_catalogue_bomb_is_refused_in_bounded_memory(self):
        s = self.s
        self.install_old()
        before = read(s.file("ztdata.mdb"))
        new = self.catalogue("1.7", {"新类": NEW_FACES[:1]}, "new")
        # About 1 MB claiming 1 GiB (its stored length allows 2 GiB), whose
        # stream inflates to 1 GiB of zeros.
        subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_bomb.py"),
                        os.path.join(new, "ztysb.data"), "1024"], check=True)
        s.serve(new, current=False)
        s.start()
        box = self.wait_box(OFFER)
        # Idle beside it: the program waiting on the offer for as long.
        since = s.reset_peak()
        idle_started = time.monotonic()
        time.sleep(8)
        idle, idle_time = s.memory_rise(since), time.monotonic() - idle_started

        since = s.reset_peak()
        started = time.monotonic()
        s.answer_box(box["title"], "是")
        failed = self.wait_box("字库更新出错!", 120)
        bomb, bomb_time = s.memory_rise(since), time.monotonic() - started
        counters = s.windows_memory()
        print("\nmemory, x64 build, rise above the start: idle %.1f s: peak %s, private %s | "
              "1 GiB catalogue bomb %.1f s: peak %s, private %s (bound: peak under 32 MiB); "
              "GetProcessMemoryInfo after: %s" % (
                  idle_time, driver.mib(idle["peak"]), driver.mib(idle["private"]), bomb_time,
                  driver.mib(bomb["peak"]), driver.mib(bomb["private"]), counters), flush=True)
        self.assertTrue(s.running())
        self.assertLess(bomb["peak"], 32 * MiB)
        self.assertIn("连接服务器成功!字库更新出错!", self.status())
        s.answer_box(failed["title"])
        self.assertEqual(read(s.file("ztdata.mdb")), before)
        self.assertEqual(s.settings()["bbh"], "1.5")
        self.assertFalse(os.path.exists(s.file("ztdata.mdb.yqpart")))
        self.assertEqual(self.page_indicator(), "1/1")

    def test_server_down_says_so_and_asks_nothing(self):
        s = self.s
        self.install_old()
        os.remove(s.file("pos.ini"))  # no "bbh": the failure shows the default 1.0
        s.start()
        text = driver.wait_for(lambda: NOT_CONNECTED in self.status() and self.status(), 60,
                               what="the failed check")
        self.assertIn("字库版本号:1.0(字库更新失败!)", text)
        # No catalogue offer, and a failed fetch of /My.txt is no new program.
        self.assertEqual(self.boxes_now(4), [])
        self.assertEqual(self.page_indicator(), "1/1")

    def test_an_offer_declined_then_another_program_announced_once(self):
        s = self.s
        out = self.install_old()
        os.remove(s.file("pos.ini"))  # no "bbh": the catalogue is offered
        s.serve(out, "program=" + "".join("\\x%02X" % b for b in "主程序版本:3.7".encode("gbk")),
                current=False)
        s.start()
        s.answer_box(self.wait_box(OFFER)["title"], "否")
        self.wait_status(PROGRAM + "     字库版本号:0.1(最新版本:1.5)" + CONNECTED, 30)
        box = self.wait_box("发现最新版本 是否下载？")
        s.answer_box(box["title"], "否")
        box = self.wait_box("是否打开官网？")
        self.assertEqual(box["title"], "您放弃了自动下载")
        s.answer_box(box["title"], "否")
        box = self.wait_box("当前不为最新版本 可能会导致非法！")
        s.answer_box(box["title"])
        # However often the window repaints, nothing more is asked, and the
        # page indicator keeps its page.
        _, _, w, h = s.refresh_geometry()
        for size in ((w + 40, h + 30), (w, h), (w + 40, h + 30)):
            s.probe("resize", *size)
            time.sleep(0.5)
        self.assertEqual(self.boxes_now(3), [])
        self.assertEqual(self.page_indicator(), "1/1")
        self.assertEqual(self.requests("/My.txt"), 1)

    def test_yes_to_a_new_program_ends_this_one(self):
        s = self.s
        out = self.install_old()
        s.serve(out, "program=" + "".join("\\x%02X" % b for b in "主程序版本:3.7".encode("gbk")))
        s.start()
        s.answer_box(self.wait_box("发现最新版本 是否下载？")["title"], "是")
        # The new program's address goes to the browser, and the program ends.
        driver.wait_for(lambda: not s.running(), 30, what="the program to end")


if __name__ == "__main__":
    unittest.main(verbosity=2)
