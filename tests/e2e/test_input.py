"""What a user's hands do: quick pairs of clicks act as two presses, the
keyboard switches pages, closes the skin picker and runs the search, the
case box applies at once, and the drawn icon buttons say what they do."""
import os
import shutil
import subprocess
import tempfile
import unittest

import driver

ARGS = driver.parse_args()
TAB = {n: (9 + 76 * (n - 1) + 38, 55) for n in range(1, 6)}
PAGE_OF_TAB = {1: 1, 2: 0, 3: 2, 4: 3, 5: 4}
WORK = None


def setUpModule():
    global WORK
    WORK = tempfile.mkdtemp(prefix="yq-input-fonts-")
    subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_fonts.py"),
                    driver.DEJAVU + "DejaVuSans.ttf", WORK, "DejaVu Enter Probe", "Yqgjpqy"],
                   check=True)


def tearDownModule():
    shutil.rmtree(WORK, ignore_errors=True)


class Input(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1],
                                native=ARGS.native)
        self.addCleanup(self.s.close)
        if "samples" in self.id():
            # A font whose name reaches below the line, listed on both pages.
            os.makedirs(self.s.file("字体下载目录"))
            shutil.copy(os.path.join(WORK, "01.ttf"), self.s.file("字体下载目录", "Yqgjpqy.ttf"))
            self.s.register_fonts({"Yqgjpqy.ttf": (os.path.join(WORK, "01.ttf"), "Yqgjpqy")})
        self.s.start()
        driver.wait_started_without_catalogue(self.s)

    def page(self):
        return self.s.tree()["page_control"]["page"]

    def quick_pair(self, x, y):
        """Two presses 80 ms apart, well inside any double-click time."""
        s = self.s
        s.move(x, y)
        s.x("click", "--repeat", "2", "--delay", "80", "1")

    def test_a_quick_pair_of_clicks_is_two_presses(self):
        s = self.s
        self.quick_pair(*TAB[3])
        self.quick_pair(*TAB[2])
        driver.wait_for(lambda: self.page() == PAGE_OF_TAB[2], 10, what="tab 2's page")
        # And a quick pair on the page shown: the second press lands.
        self.quick_pair(*TAB[4])
        driver.wait_for(lambda: self.page() == PAGE_OF_TAB[4], 10, what="tab 4's page")
        # The centring button twice, the second press where the button has
        # gone: to the corner and back where it was.
        gx, gy, w, _ = s.refresh_geometry()
        s.click(w - 123 + 12, 12)
        driver.wait_for(lambda: s.refresh_geometry()[:2] == (0, 0), 10, interval=0.02,
                        what="the window in the corner")
        s.click(w - 123 + 12, 12)
        driver.wait_for(lambda: s.refresh_geometry()[:2] == (gx, gy), 10,
                        what="the window back at %s" % ((gx, gy),))

    def test_keys_switch_pages_close_the_picker_and_search(self):
        s = self.s
        s.click_control("编辑框4")  # the keyboard's focus in the window
        s.x("key", "ctrl+3")
        driver.wait_for(lambda: self.page() == PAGE_OF_TAB[3], 10, what="我的字体 by Ctrl+3")
        s.x("key", "ctrl+Tab")
        driver.wait_for(lambda: self.page() == PAGE_OF_TAB[4], 10, what="回收站 by Ctrl+Tab")
        s.x("key", "ctrl+shift+Tab", "ctrl+shift+Tab", "ctrl+shift+Tab")
        driver.wait_for(lambda: self.page() == PAGE_OF_TAB[1], 10, what="back round to tab 1")
        # Esc closes the skin picker.
        _, _, w, _ = s.refresh_geometry()
        s.click(w - 35 + 13, 80 + 11)
        popup = lambda: [x for x in s.probe("windows") if x["class"] == "YqSkinPopup"]
        driver.wait_for(popup, 10, what="the skin picker")
        s.x("key", "Escape")
        driver.wait_for(lambda: not popup(), 10, what="Esc to close the picker")

        # Enter in the search box runs the search again: a font registered
        # since the last keystroke (and listed by 刷新) is found at once.
        s.x("key", "ctrl+2")
        driver.wait_for(lambda: self.page() == PAGE_OF_TAB[2], 10, what="字体管理")
        s.search_fonts("DejaVu")
        found = [r[1] for r in s.grid("系统字体表格2")]
        self.assertNotIn("DejaVu Enter Probe", found)
        count = s.control("标签2")["text"]
        s.register_fonts({"YqEnter.ttf": (os.path.join(WORK, "00.ttf"), "DejaVu Enter Probe")})
        s.click_control("图形按钮25")  # 刷新
        driver.wait_for(lambda: s.control("标签2")["text"] != count, 30, what="the new count")
        self.assertNotIn("DejaVu Enter Probe", [r[1] for r in s.grid("系统字体表格2")])
        box = s.control("编辑框1")
        s.click(box["cx"] + box["w"] - 3, box["cy"] + box["h"] // 2)
        s.x("key", "Return")
        driver.wait_for(lambda: "DejaVu Enter Probe" in [r[1] for r in s.grid("系统字体表格2")],
                        10, what="Enter to search again")

    def test_the_case_box_applies_at_once_and_the_icon_buttons_say_what_they_do(self):
        s = self.s
        s.click(*TAB[2])
        driver.wait_for(lambda: self.page() == PAGE_OF_TAB[2], 10, what="字体管理")
        s.search_fonts("DEJAVU")
        self.assertTrue(all("dejavu" in r[1].lower() for r in s.grid("系统字体表格2")))
        self.assertGreater(len(s.grid("系统字体表格2")), 3)
        s.click_control("选择框5", 6)  # 区分大小写, nothing typed after it
        driver.wait_for(lambda: s.control("标签20")["visible"], 10, what="no results")
        self.assertEqual(s.control("标签20")["text"], "查询无结果!")
        s.click_control("选择框5", 6)
        driver.wait_for(lambda: s.control("系统字体表格2")["visible"], 10, what="the results again")

        # Resting on the close button shows its tooltip beside it.
        gx, gy, w, _ = s.refresh_geometry()
        s.move(w - 48 + 18, 12)
        tip = driver.wait_for(lambda: [x for x in s.probe("windows")
                                       if x["class"] == "tooltips_class32"], 10,
                              what="the close button's tooltip")
        s.screenshot("close-tooltip")
        self.assertEqual(len(tip), 1)

    def row_ink(self, name, grid, x0, x1):
        """For grid row 0, between x0 and x1 of the grid: the pixel rows above
        its grid line that hold ink, counted up from the line (1 is the row
        right above it). A sample cut off at its row's foot inks row 1."""
        s = self.s
        g = s.control(grid)
        image = s.image(name)
        left, top = g["cx"], g["cy"]
        line = next(y for y in range(top + 2, top + 2 + g["row_h"] + 4)
                    if image.get(left + x1 + 5, y) == (128, 160, 128))
        return [line - y for y in range(line - g["row_h"] + 1, line)
                if any(max(image.get(left + x, y)) < 120 for x in range(x0, x1))]

    def test_samples_fit_their_rows(self):
        s = self.s
        s.click(*TAB[3])
        driver.wait_for(lambda: s.control("我的字体表格")["shown"], 20, what="我的字体")
        inked = self.row_ink("my-fonts", "我的字体表格", 3, 200)
        self.assertTrue(inked, "the file name is drawn")
        self.assertGreater(min(inked), 1, "the descenders of gjpqy inside the row")
        s.click(*TAB[2])
        driver.wait_for(lambda: self.page() == PAGE_OF_TAB[2], 10, what="字体管理")
        s.search_fonts("Yqgjpqy")
        inked = self.row_ink("search", "系统字体表格2", 3, 300)
        self.assertTrue(inked, "the sample is drawn")
        self.assertGreater(min(inked), 1, "the descenders of gjpqy inside the row")


if __name__ == "__main__":
    unittest.main()
